#pragma once
// The user's keyboard layout in the program's vocabulary: which virtual-key
// code each X keycode is, which keycodes a virtual-key code is, what a key is
// called, and which X modifier bits stand for Alt, the Windows key and the
// lock keys. Built from the server's mapping; rebuilt when it changes.
//
// One rule gives every key its code, in both directions:
//   - a key that carries a Latin letter or a digit at any level is that letter
//     or digit (AZERTY's digit row is '1' … '0', Dvorak's letters move);
//   - any other character key is the code the US layout gives its position
//     (ß on German is VK_OEM_MINUS, ü is VK_OEM_4);
//   - keys that type no character (F5, Left, Shift_L, the keypad) by keysym.

#include <xcb/xcb.h>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/keys/virtual_keys.h"
#include "platform/x11/keymap.h"

namespace x11 {

// The eight core modifier bits, by the keycodes bound to each (Shift, Lock,
// Control, Mod1 … Mod5).
using ModifierMap = std::array<std::vector<xcb_keycode_t>, 8>;
// Those bits of a key event's state; above them are the pointer buttons and the keyboard group.
inline constexpr std::uint16_t kCoreModifiers = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_LOCK | XCB_MOD_MASK_CONTROL |
                                                XCB_MOD_MASK_1 | XCB_MOD_MASK_2 | XCB_MOD_MASK_3 | XCB_MOD_MASK_4 |
                                                XCB_MOD_MASK_5;

class Layout {
public:
    Layout() = default;
    Layout(const Keymap& keymap, const ModifierMap& modifiers);

    // The code of a key; 0 when the key has none. Shift, Ctrl and Alt come
    // out as the generic vk::Shift, vk::Control, vk::Menu and the Windows keys
    // as vk::LWin and vk::RWin.
    std::uint8_t virtualKey(xcb_keycode_t kc) const { return vk_[kc]; }
    // As virtualKey, with the sides of Shift, Ctrl and Alt apart (vk::LShift … vk::RMenu).
    std::uint8_t sidedVirtualKey(xcb_keycode_t kc) const { return sided_[kc]; }
    // Every keycode that is the key (for grabbing a chord); empty when the layout has none.
    std::vector<xcb_keycode_t> keycodes(std::uint8_t vk) const;
    // The keycode to type the key with; 0 when the layout has none (the key
    // then has to be typed through a borrowed keycode).
    xcb_keycode_t keycodeToType(std::uint8_t vk) const;
    // The keysym a key stands for when it has to be typed through a borrowed
    // keycode (F13 on a keyboard that has none); 0 when there is none.
    static Keysym fallbackKeysym(std::uint8_t vk);

    // The name a key is shown by: "A", "1", "F5", "Left", "ß"; empty for none.
    std::string name(std::uint8_t vk) const;

    // X modifier bits of a chord's mask; 0 with `ok` false when Alt or the
    // Windows key is bound to no modifier.
    std::uint16_t xModifiers(mod::Mask modKeyCode, bool* ok = nullptr) const;
    // Every lock modifier bound here: CapsLock, and NumLock and ScrollLock
    // where the modifier map binds them.
    std::uint16_t lockMask() const { return lockMask_; }
    // mods with every combination of the lock modifiers added.
    std::vector<std::uint16_t> lockVariants(std::uint16_t mods) const;

    bool operator==(const Layout&) const = default;

private:
    void assignCharacterKeys(const Keymap& keymap);
    void assignOtherKeys(const Keymap& keymap);
    void readModifiers(const Keymap& keymap, const ModifierMap& modifiers);

    std::array<Keysym, 256> unshifted_{};
    std::array<std::uint8_t, 256> vk_{};
    std::array<std::uint8_t, 256> sided_{};
    std::array<std::string, 256> characterName_{};  // by code: what an OEM key types here
    std::uint16_t alt_ = 0, win_ = 0, lockMask_ = XCB_MOD_MASK_LOCK;
};

// The US layout's code for an evdev key position (X keycode); 0 for none.
std::uint8_t UsCodeAtPosition(xcb_keycode_t kc);

}  // namespace x11
