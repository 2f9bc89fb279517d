#pragma once
#include <bitset>
#include <cstdint>
#include <optional>

namespace platform {

// Keys by virtual-key code. The sides of Shift, Ctrl and Alt are told apart
// (vk::LShift … vk::RMenu), and so are the two Windows keys (vk::LWin, vk::RWin).
using KeySet = std::bitset<256>;

class KeyboardState {
public:
    virtual ~KeyboardState() = default;
    // Down as far as applications can tell, injected keys included.
    virtual KeySet logicalDown() = 0;
    // Held on a keyboard by the user.
    virtual KeySet physicalDown() = 0;
    // Waits until both sets include every key event sent so far, the
    // program's own included.
    virtual void sync() {}
    // Waits as sync() does, then drops from the keys held every key the
    // system says is up. The record can miss a release (made on a lock
    // screen, on the secure desktop, or on a keyboard taken away), and a key
    // it wrongly believes held would be pressed again and left down.
    virtual void reconcile() { sync(); }

    // Where the system lets a program hold back the user's key events
    // (Windows): from now on the user's releases of `keys` (sided modifiers)
    // are held back, and the keys stay down for applications until the
    // program lets go of them, in place of the last call's keys; a release
    // held back that no call covers any more goes out. Returns those of
    // `keys` that stay down so. Nothing where the system cannot.
    virtual std::optional<KeySet> holdReleases(const KeySet& /*keys*/) { return std::nullopt; }

    // The user's presses and releases of a key seen so far (either side of a
    // generic Shift, Ctrl or Alt), to tell whether the user touched it since.
    struct History {
        unsigned presses = 0, releases = 0;
        bool operator==(const History&) const = default;
    };
    virtual History history(std::uint8_t /*vk*/) { return {}; }
};

// Whether a release the program owes for a key it pressed is still its to
// send: not once the user has pressed the key since (it is the user's now);
// yes when a release was seen since, or the system still has the key down.
inline bool StillOwed(KeyboardState::History then, KeyboardState::History now, bool systemDown) {
    if (now.presses != then.presses) return false;
    return now.releases != then.releases || systemDown;
}

}  // namespace platform
