#pragma once
// The chords the program has claimed, and which of them a press of a key
// with its modifier state is. Modifiers are X modifier bits here; a chord's
// own mask (mod::) is turned into them by the layout when it is resolved.
//
// While playbacks run they hold modifiers down and let go of some the user
// holds, so a press of a chord can come with modifiers added or missing: the
// table is told which (setHeld) and matches with them in mind.

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/keys/virtual_keys.h"
#include "core/services/hotkey_endpoint.h"
#include "platform/x11/key_bits.h"
#include "platform/x11/keymap.h"
#include "platform/x11/layout.h"

namespace x11 {

using Owner = const void*;

struct Chord {
    Owner owner = nullptr;
    mod::Mask modKeyCode;           // as the slot has them
    int keyCode = 0;                // a vk:: code
    std::vector<Keycode> keycodes;  // every keycode that is the key on the layout
    std::uint16_t mods = 0;         // X modifier bits
    std::function<void(bool repeat)> onPressed;
    std::function<void(platform::Loss reason, const std::string& why)> onLost;

    bool has(Keycode kc) const;
};

class ChordTable {
public:
    // Fills in the chord's keycodes and modifier bits from the layout; says
    // why it cannot be claimed there, or nothing when it can.
    static std::string Resolve(Chord& chord, const Layout& layout, const Keymap& keymap);

    // Another chord of ours with the same modifiers on one of its keycodes.
    bool clashes(const Chord& chord) const;
    const Chord& add(Chord chord);
    // The owner's chord, taken out of the table; nothing when it has none.
    std::optional<Chord> remove(Owner owner);
    std::vector<Chord> takeAll();
    const std::vector<Chord>& chords() const { return chords_; }
    // The chord an owner still has, as it was when `modKeyCode` and `keyCode` were claimed.
    const Chord* find(Owner owner, mod::Mask modKeyCode, int keyCode) const;
    // Every keycode some chord is on.
    std::set<Keycode> keycodes() const;

    // The modifiers (X bits) that playbacks hold down now, and those they have
    // let go of though the user may hold them. False when nothing changed.
    bool setHeld(std::uint16_t held, std::uint16_t letGo);
    bool playing() const { return held_ != 0 || letGo_ != 0; }
    // The modifier states in which a press of the chord's key may be the chord.
    std::vector<std::uint16_t> statesOf(const Chord& chord) const;

    // The chord a press of `kc` with modifier state `state` is; `lockMask`
    // bits (CapsLock, NumLock) count for nothing. `userModifiers` gives the X
    // bits of the modifier keys the user holds; it is asked only while a
    // playback runs.
    const Chord* match(Keycode kc, std::uint16_t state, std::uint16_t lockMask,
                       const std::function<std::uint16_t()>& userModifiers) const;

private:
    static bool KeptByTheServer(const Chord& chord, const Keymap& keymap);

    std::vector<Chord> chords_;
    std::uint16_t held_ = 0, letGo_ = 0;
};

}  // namespace x11
