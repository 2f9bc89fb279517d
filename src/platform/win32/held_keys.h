#pragma once
// What the low-level keyboard hook keeps and decides, apart from the hook:
// the keys the user holds, and the triggers whose key is being taken. Every
// key event but the program's own counts as the user's: keys injected by
// another remapper, an on-screen keyboard or a software KVM are held keys as
// much as a keyboard's. A trigger's key is taken from its hotkey until the
// user lets go of it: while a playback releases the user's modifiers and
// presses the target's, the held key's auto-repeat would otherwise reach the
// focused window as another shortcut (Ctrl+A from a held Ctrl+Alt+A).
// While a playback has let go of modifiers the user holds, the system no
// longer sees them down, so a chord pressed with them would reach the focused
// window as another shortcut: such a press is taken here for its chord.
// The user's release of a modifier can outrun the program: released between
// the chord's press and the program's mask tap, the application sees the
// modifier tapped alone; released while a playback counts on it being down,
// the target goes out without it. So a chord's press asks for a mask tap at
// once and holds back its modifiers' releases until that tap has passed, and
// a playback holds back the releases of its target's modifiers until it ends.
// A release held back keeps the key down for the system until the program
// lets go of it (or is told to, when the hold ends).

#include <array>
#include <cstdint>
#include <vector>

#include "core/keys/virtual_keys.h"
#include "core/services/keyboard_state.h"

namespace win32 {

class HeldKeys {
public:
    struct KeyEvent {
        std::uint32_t vk;
        std::uint32_t scanCode;
        bool extended;
        bool down;
        bool injected;
        std::uintptr_t extraInfo = 0;  // the sender's dwExtraInfo
    };
    // The dwExtraInfo of the program's own key events: injected events
    // without it are another program's.
    static constexpr std::uintptr_t kOwnMark = 0x5A43484B;
    struct Verdict {
        bool swallow = false;
        // Takers whose chord the user holds again: each gets one press.
        std::vector<std::uintptr_t> repeatFor;
        // The taker whose chord the user pressed with modifiers a playback let go of.
        std::uintptr_t pressFor = 0;
        // A registered chord was pressed: a mask tap goes out at once.
        bool maskTap = false;
        // Releases held back that are to be sent now, with the program's mark.
        platform::KeySet letGo;
    };
    using History = platform::KeyboardState::History;

    Verdict onKey(const KeyEvent& e);

    // Keys held by the user, sides of Shift, Ctrl and Alt apart.
    const platform::KeySet& physical() const { return physical_; }
    // The modifiers the user holds.
    mod::Mask physicalModifiers() const;

    // Takes the user's presses of `vk` for `taker` until the user lets go of
    // the key; false, taking nothing, when the user does not hold it.
    bool take(std::uintptr_t taker, std::uint8_t vk, mod::Mask modKeyCode);
    void drop(std::uintptr_t taker);
    bool taking(std::uintptr_t taker) const;

    // The chords registered, by taker, and the modifiers (a chord's mask)
    // that playbacks have let go of while the user holds them.
    void listen(std::uintptr_t taker, std::uint8_t vk, mod::Mask modKeyCode);
    void forget(std::uintptr_t taker);
    void setLetGo(mod::Mask modKeyCode) { letGo_ = modKeyCode; }

    // A playback's hold on the releases of `keys` (sided modifiers), in
    // place of the last one. `held`: those of them that stay down until the
    // program lets go of them. `letGo`: releases held back that no hold
    // covers any more, to be sent now.
    struct Hold {
        platform::KeySet held, letGo;
    };
    Hold holdReleases(const platform::KeySet& keys);
    // Ends the hold a chord's press made (its mask tap was lost); returns what to let go of.
    platform::KeySet endTriggerHold();
    bool triggerHolding() const { return triggerHold_.any(); }
    History history(std::uint8_t vk) const;

    // The hook misses every release made where it cannot see (the lock
    // screen, the secure desktop, an elevated window): the record is checked
    // against the keys the system has down. beginCheck(), let the waiting
    // events through, read the system's keys, then check(): every key held
    // that the system says is up is let go of, and so are the claims on it.
    // Left as they are: keys with events since beginCheck(), which the system
    // may not have applied yet, and keys whose last event that reached the
    // system was the program's own release, which says nothing of the user's
    // hand (the trigger's own key, played in its target, stays up while held).
    void beginCheck() { checking_.reset(); }
    void check(const platform::KeySet& systemDown);

    // The sided code of a generic Shift, Ctrl or Alt event; any other code as it is.
    static std::uint8_t sidedVk(std::uint32_t vk, std::uint32_t scanCode, bool extended);

private:
    // The user's press of a key, the record already updated.
    Verdict pressed(std::uint8_t vk, std::uint32_t generic);
    // Held back releases that neither hold covers.
    platform::KeySet unheld();

    struct Claim {
        std::uintptr_t taker;
        std::uint8_t vk;
        mod::Mask modKeyCode;
    };
    platform::KeySet physical_;
    platform::KeySet ownUp_;     // last released, as far as the system knows, by the program
    platform::KeySet checking_;  // had events since beginCheck()
    platform::KeySet triggerHold_, playbackHold_;
    platform::KeySet heldBack_;  // the user's releases held back: down for the system
    std::array<History, 256> history_{};
    std::vector<Claim> taken_;
    std::vector<Claim> chords_;
    mod::Mask letGo_;
};

}  // namespace win32
