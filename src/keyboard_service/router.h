#pragma once
// What the keyboard service makes of each key a keyboard sends and of each
// message from its one program: the key events to send on the virtual
// keyboard, and what to tell the program. No I/O here; the service feeds it
// and carries its answers out.
//
// The virtual keyboard shows a key down while any keyboard holds it, except a
// registered trigger chord's key, which is swallowed from its press to its
// release and announced as a hit. The program may press and release keys of
// its own, and may ask for the user's releases of some keys to be held back
// while it types (hold); whatever it leaves down goes up when it leaves.
//
// Nothing typed is kept beyond the keys down now and how often each code went
// down and up, which the program may ask for.

#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

#include "core/keyboard_link/message.h"

namespace keyservice {

// Every code evdev gives keys (KEY_CNT); those above keylink::kMaxCode pass
// through untouched, as no chord or message can name them.
inline constexpr int kCodes = 0x300;
using AllKeys = std::bitset<kCodes>;

struct KeyEvent {
    std::uint16_t code = 0;
    std::int8_t value = 0;  // 0 release, 1 press, 2 repeat
    bool operator==(const KeyEvent&) const = default;
};

// What one input led to. The caller clears it before each input and keeps it,
// so that its vectors' room is reused.
struct Output {
    std::vector<KeyEvent> keys;
    std::vector<keylink::Message> messages;
    const char* drop = nullptr;  // the program is to be told (messages) and disconnected, for this reason
    void clear() {
        keys.clear();
        messages.clear();
        drop = nullptr;
    }
};

class Router {
public:
    // A key event of a keyboard: `device` tells the keyboards apart.
    void userKey(int device, int code, int value, Output& out);
    // A keyboard went away: whatever it held is released by the user.
    void deviceRemoved(int device, Output& out);
    // The keys a keyboard holds, as the service last heard.
    AllKeys heldOn(int device) const;

    void clientConnected();
    void clientMessage(const keylink::Message& message, Output& out);
    // The program left, crashed or was dropped: its chords and hold are
    // forgotten, and no key stays down that the user does not hold.
    void clientGone(Output& out);
    // The service ends: every key down on the virtual keyboard goes up.
    void end(Output& out);

    const AllKeys& down() const { return down_; }

private:
    struct Device {
        int id;
        AllKeys held;
    };
    struct Chord {
        int mods = 0;
        int code = 0;  // 0: no chord under this id
    };

    Device& device(int id);
    int heldModifiers() const;
    int chordFor(int code) const;
    void userPress(int code, Output& out);
    void userRelease(int code, Output& out);
    void press(int code, Output& out);
    void release(int code, Output& out);
    void reply(keylink::Message message, Output& out);
    keylink::Keys wireKeys(const AllKeys& keys) const;
    void hold(const keylink::Keys& keys, Output& out);
    void take(const keylink::Message& message, Output& out);
    void indexChords();
    void refuse(const char* why, Output& out);

    std::vector<Device> devices_;
    std::array<std::uint16_t, kCodes> held_{};  // per code, how many keyboards hold it
    std::array<std::uint32_t, keylink::kMaxCode + 1> presses_{}, releases_{};
    AllKeys down_;                                  // down on the virtual keyboard
    std::array<std::uint8_t, kCodes> swallowed_{};  // the chord whose key it is, while the user holds it
    AllKeys holding_;                               // the program's hold
    AllKeys heldBack_;                              // released by the user, kept down for the hold
    std::array<Chord, keylink::kMaxChordId + 1> chords_{};
    AllKeys chordKeys_;
    int mask_ = 0;  // the program's mask key
    bool connected_ = false;
    bool welcomed_ = false;
};

}  // namespace keyservice
