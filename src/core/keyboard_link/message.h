#pragma once
// What the program and the keyboard service say to each other over the
// service's Unix socket: one line of ASCII per message, at most kMaxLine bytes
// with its '\n'. Keys are evdev key codes (those an X keycode can stand for);
// a chord's modifiers are the chord mask (Alt 1, Ctrl 2, Shift 4, Win 8),
// either side of each. Anything else is refused, and the peer dropped.
//
//   program → service                       service → program
//   hello <version>                         welcome <version> | refused <why>
//   take <id> <mods> <code>                 took <id> | taken <id>
//   drop <id>
//   mask <code>
//   down <code> | up <code> | tap <code>
//   hold <keys>                             holding <keys>
//   sync                                    state <logical keys> <held keys>
//   history <code>                          seen <code> <presses> <releases>
//                                           hit <id> <0 | 1 for a key repeat>
// mask names the key of the program's mask taps (one no layout gives a
// symbol): the service taps it beside every trigger it swallows, so that a
// modifier let go of before the program acts is no lone modifier tap.
// <keys> is a set of codes: kKeyDigits hexadecimal digits, code 0 the lowest bit.

#include <bitset>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace keylink {

inline constexpr int kVersion = 1;
inline constexpr std::size_t kMaxLine = 160;
inline constexpr int kMaxCode = 247;  // X keycode 255
inline constexpr int kMaxChordId = 64;
inline constexpr std::size_t kMaxWhy = 120;
inline constexpr std::size_t kKeyDigits = (kMaxCode + 1) / 4;
using Keys = std::bitset<kMaxCode + 1>;

enum class Kind {
    Hello,
    Welcome,
    Refused,
    Take,
    Took,
    Taken,
    Drop,
    Mask,
    Down,
    Up,
    Tap,
    Hold,
    Holding,
    Sync,
    State,
    History,
    Seen,
    Hit
};

struct Message {
    Kind kind = Kind::Sync;
    int number = 0;       // the version (Hello, Welcome) or the chord's id (Take, Took, Taken, Drop, Hit)
    int mods = 0;         // Take
    int code = 0;         // Take, Mask, Down, Up, Tap, History, Seen
    bool repeat = false;  // Hit
    Keys keys, held;      // Hold, Holding: keys; State: logical in keys, the user's in held
    unsigned presses = 0, releases = 0;  // Seen
    std::string why;                     // Refused: printable ASCII, at most kMaxWhy bytes
    bool operator==(const Message&) const = default;
};

// One line, without its '\n'; nothing when it is not a message.
std::optional<Message> Parse(std::string_view line);
// The line of a message, '\n' included; a Refused's why is cut to fit and
// anything unprintable in it turned into '?'.
std::string Format(const Message& message);

// Splits what a socket delivers into lines, holding at most kMaxLine bytes.
class LineReader {
public:
    // False once a line is longer than kMaxLine: the peer is to be dropped.
    bool feed(std::string_view bytes);
    // The next whole line, without its '\n'.
    std::optional<std::string> next();

private:
    std::string pending_;
    std::size_t start_ = 0;
    bool overlong_ = false;
};

}  // namespace keylink
