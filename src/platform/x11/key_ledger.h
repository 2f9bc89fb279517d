#pragma once
// Which keys are down and whose hand is on them, kept from the server's raw
// key events without asking the server. Raw events come before anything a
// grab makes of the same key and carry the device the key came from: a
// keyboard, or the XTest device through which every program's injected keys
// come. This program's own are told from another program's by their order:
// the injector announces each key event it sends with its request's number,
// and the device makes its events in the order it is given them.

#include <array>
#include <cstdint>
#include <deque>
#include <optional>

#include "platform/x11/key_bits.h"

namespace x11 {

// Who pressed a key.
enum class KeySource {
    Keyboard,        // a keyboard the user has in hand
    OtherInjection,  // another program's XTest (a remote desktop, xdotool)
    Ours,            // this program's injector
};

class KeyLedger {
public:
    struct RawKey {
        enum class From {
            Keyboard,  // a keyboard of the master applications type with
            XTest,     // its XTest device: ours or another program's
            NewXTest,  // an XTest device met only now: not the one ours went through
        };
        Keycode kc = 0;
        bool press = false;
        From from = From::Keyboard;
        std::uint32_t time = 0;      // server time, ms
        std::uint16_t sequence = 0;  // the number of the request the event came during
    };
    struct Seen {
        KeySource source;
        // A press of a key already down for applications, held by someone
        // other than the user (a running target): no grab and no application sees it.
        bool unseen;
    };

    // The server's state at the start: keys down for applications, on the
    // keyboards, and on the XTest devices.
    void seed(const KeyBits& logical, const KeyBits& onKeyboards, const KeyBits& onInjection);

    // The program sends a key event as the request numbered `sequence`.
    void announce(std::uint16_t sequence, Keycode kc, bool press);
    Seen onRaw(const RawKey& key);
    // Who pressed the key a grab has just delivered (keycode and server time).
    KeySource sourceOf(Keycode kc, std::uint32_t time);

    // The server's own answers, each absent when it gave none: keys it
    // believes down that the server says are up are dropped, unless a key
    // event newer than the answers (`later`) says otherwise.
    void reconcile(const std::optional<KeyBits>& logical, const std::optional<KeyBits>& onKeyboards,
                   const std::optional<KeyBits>& onInjection, const KeyBits& later);

    // Keys down for applications, and keys the user holds. Keys another
    // program injects count as the user's, as keys on a keyboard do.
    const KeyBits& logical() const { return logical_; }
    const KeyBits& held() const { return held_; }
    // Keys down on the XTest device itself, by anyone's injection. A key can
    // stay down there while it is up for applications (the user let go of a
    // key injected for them); a press of it would then do nothing.
    const KeyBits& injected() const { return injected_; }
    // Whether the last press of a key not by this program's hand repeated it:
    // the key was held since its last press, or the press and the release
    // before it are the two halves of one repeat forwarded from another
    // display (a nested server, a remote desktop), which come together. The
    // server's own auto-repeat makes no raw event; its presses say so
    // themselves (XIKeyRepeat).
    bool pressRepeats(Keycode kc) const { return repeats_[kc]; }
    // The most apart the halves of a forwarded repeat come: both are made from
    // one event of the other display's, together, or a few ms apart when the
    // forwarding server is kept from running (3 ms seen with two busy loops).
    // Less than a hand, or xdotool at its default 12 ms, takes to let go of a
    // key and press it again.
    static constexpr std::uint32_t kForwardedHalvesMs = 8;

    // How many of the latest presses are kept to tell who made a grabbed one.
    static constexpr std::size_t kPressesKept = 256;
    // Announced events that made none are dropped once a later one comes back;
    // the bound keeps them from piling up when none does.
    static constexpr std::size_t kInjectionsKept = 256;

private:
    struct Injection {
        std::uint16_t sequence;
        Keycode kc;
        bool press;
    };
    struct RawPress {
        Keycode kc;
        std::uint32_t time;
        KeySource source;
    };
    KeySource attribute(const RawKey& key);

    KeyBits logical_, held_, injected_, repeats_;
    std::array<std::uint32_t, 256> lastRelease_{};  // server time of each key's last release not ours
    std::deque<Injection> injections_;
    std::deque<RawPress> presses_;
};

}  // namespace x11
