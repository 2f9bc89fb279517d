#pragma once
// What the low-level keyboard hook keeps and decides, apart from the hook:
// the keys the user holds (events not flagged as injected), and the triggers
// whose key is being taken. A trigger's key is taken from its hotkey until the
// user lets go of it: while a playback releases the user's modifiers and
// presses the target's, the held key's auto-repeat would otherwise reach the
// focused window as another shortcut (Ctrl+A from a held Ctrl+Alt+A).

#include <cstdint>
#include <vector>

#include "platform/keyboard_state.h"

namespace win32 {

class HeldKeys {
public:
    struct KeyEvent {
        std::uint32_t vk;
        std::uint32_t scanCode;
        bool extended;
        bool down;
        bool injected;
    };
    struct Verdict {
        bool swallow = false;
        // Takers whose chord the user holds again: each gets one press.
        std::vector<std::uintptr_t> repeatFor;
    };

    Verdict onKey(const KeyEvent& e);

    // Keys held by the user, sides of Shift, Ctrl and Alt apart.
    const platform::KeySet& physical() const { return physical_; }
    // The chord mask (1 Alt, 2 Ctrl, 4 Shift, 8 Win) of the modifiers the user holds.
    int physicalModifiers() const;

    // Takes the user's presses of `vk` for `taker` until the user lets go of
    // the key; false, taking nothing, when the user does not hold it.
    bool take(std::uintptr_t taker, std::uint8_t vk, int modKeyCode);
    void drop(std::uintptr_t taker);
    bool taking(std::uintptr_t taker) const;

    // The sided code of a generic Shift, Ctrl or Alt event; any other code as it is.
    static std::uint8_t sidedVk(std::uint32_t vk, std::uint32_t scanCode, bool extended);

private:
    struct Taken {
        std::uintptr_t taker;
        std::uint8_t vk;
        int modKeyCode;
    };
    platform::KeySet physical_;
    std::vector<Taken> taken_;
};

}  // namespace win32
