#pragma once
// The user's keymap as xkbcommon holds it, in the two shapes this route
// needs: the program's layout (which virtual-key code each key is, what it is
// called) and what sway compares a key press with when it matches bindings.

#include <xkbcommon/xkbcommon.h>
#include <cstdint>
#include <vector>

#include "core/keys/virtual_keys.h"
#include "platform/x11/layout.h"

namespace wlroots {

// sway's modifier bits, in wlroots' order; a binding's "Ctrl+Mod1" is Ctrl | Alt.
namespace swaymod {
inline constexpr std::uint32_t Shift = 1, Lock = 2, Ctrl = 4, Alt = 8, Mod2 = 16, Mod3 = 32, Logo = 64, Mod5 = 128;
// The names sway gives them, bit by bit.
inline constexpr const char* kNames[8] = {"Shift", "Lock", "Control", "Mod1", "Mod2", "Mod3", "Mod4", "Mod5"};
}  // namespace swaymod

// The modifier bits of a chord's mask.
std::uint32_t SwayModifiers(mod::Mask modKeyCode);

// The keymap's core view (keysyms by keycode, two levels of two groups), for
// building the layout.
x11::Keymap CoreKeymapOf(xkb_keymap* keymap);

class XkbKeys {
public:
    // Takes its own reference to the keymap.
    explicit XkbKeys(xkb_keymap* keymap);
    ~XkbKeys();
    XkbKeys(const XkbKeys&) = delete;
    XkbKeys& operator=(const XkbKeys&) = delete;

    xkb_keymap* keymap() const { return keymap_; }
    const x11::Layout& layout() const { return layout_; }

    // A key pressed with `mods` held, as sway sees it: its unshifted keysyms
    // (matched with every modifier held), and its keysyms at that level with
    // the modifiers the level used up taken out (matched with the rest).
    struct Press {
        std::vector<xkb_keysym_t> raw;
        std::vector<xkb_keysym_t> translated;
        std::uint32_t translatedMods = 0;
    };
    Press press(xkb_keycode_t keycode, std::uint32_t mods) const;

    // The keymap's modifier mask (its own indices) of sway's bits, and back.
    xkb_mod_mask_t xkbMask(std::uint32_t mods) const;
    std::uint32_t swayMask(xkb_mod_mask_t mask) const;

private:
    xkb_keymap* keymap_;
    x11::Layout layout_;
    xkb_mod_index_t index_[8];
};

}  // namespace wlroots
