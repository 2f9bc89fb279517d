#pragma once
// The program's key vocabulary everywhere: Windows virtual-key codes, and the
// modifier mask of a chord as the system's hotkey registration takes it
// (1 Alt, 2 Ctrl, 4 Shift, 8 Win). set.ini, action strings and the core speak
// these; only a platform backend translates them. Letters and top-row digits
// are their own characters ('A', '7').

#include <cstdint>

#include "core/keys/bit_flags.h"

namespace vk {

inline constexpr std::uint8_t Cancel = 0x03;  // Break: Ctrl+Pause
inline constexpr std::uint8_t Back = 0x08, Tab = 0x09, Clear = 0x0C, Return = 0x0D;
inline constexpr std::uint8_t Shift = 0x10, Control = 0x11, Menu = 0x12, Pause = 0x13, Capital = 0x14;
inline constexpr std::uint8_t Escape = 0x1B, Space = 0x20, Prior = 0x21, Next = 0x22, End = 0x23, Home = 0x24;
inline constexpr std::uint8_t Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28, Select = 0x29, Print = 0x2A;
inline constexpr std::uint8_t Execute = 0x2B, Snapshot = 0x2C, Insert = 0x2D, Delete = 0x2E, Help = 0x2F;
inline constexpr std::uint8_t LWin = 0x5B, RWin = 0x5C, Apps = 0x5D, Sleep = 0x5F;
inline constexpr std::uint8_t Numpad0 = 0x60, Numpad1 = 0x61, Numpad2 = 0x62, Numpad3 = 0x63, Numpad4 = 0x64;
inline constexpr std::uint8_t Numpad5 = 0x65, Numpad6 = 0x66, Numpad7 = 0x67, Numpad8 = 0x68, Numpad9 = 0x69;
inline constexpr std::uint8_t Multiply = 0x6A, Add = 0x6B, Separator = 0x6C;
inline constexpr std::uint8_t Subtract = 0x6D, Decimal = 0x6E, Divide = 0x6F;
inline constexpr std::uint8_t F1 = 0x70, F2 = 0x71, F3 = 0x72, F4 = 0x73, F5 = 0x74, F6 = 0x75, F7 = 0x76, F8 = 0x77;
inline constexpr std::uint8_t F9 = 0x78, F10 = 0x79, F11 = 0x7A, F12 = 0x7B, F13 = 0x7C, F24 = 0x87;
inline constexpr std::uint8_t NumLock = 0x90, Scroll = 0x91;
inline constexpr std::uint8_t LShift = 0xA0, RShift = 0xA1, LControl = 0xA2, RControl = 0xA3, LMenu = 0xA4,
                              RMenu = 0xA5;
// The browser, media and application-launch keys run from the first to the last.
inline constexpr std::uint8_t BrowserBack = 0xA6, LaunchApp2 = 0xB7;
// The US layout's punctuation keys (VK_OEM_1 … VK_OEM_7, VK_OEM_8, VK_OEM_102).
inline constexpr std::uint8_t OemSemicolon = 0xBA, OemPlus = 0xBB, OemComma = 0xBC, OemMinus = 0xBD;
inline constexpr std::uint8_t OemPeriod = 0xBE, OemSlash = 0xBF, OemGrave = 0xC0, OemOpenBracket = 0xDB;
inline constexpr std::uint8_t OemBackslash = 0xDC, OemCloseBracket = 0xDD, OemQuote = 0xDE, Oem8 = 0xDF;
inline constexpr std::uint8_t Oem102 = 0xE2;
// Codes of keys that PC keyboards lack (VK_OEM_AX, VK_ICO_HELP, VK_ICO_00,
// VK_OEM_RESET, VK_OEM_JUMP, VK_OEM_PA1): the X11 layout gives them to
// character keys whose position's own code went to another key.
inline constexpr std::uint8_t OemAx = 0xE1, IcoHelp = 0xE3, Ico00 = 0xE4, OemReset = 0xE9, OemJump = 0xEA;
inline constexpr std::uint8_t OemPa1 = 0xEB;
// A code that no layout assigns: a key event of it types nothing.
inline constexpr std::uint8_t Unassigned = 0xE8;
// The code of a key event with no virtual key behind it: no key to press.
inline constexpr std::uint8_t NoKey = 0xFF;

// The eight modifier keys by side, as keyboard states report them.
inline constexpr std::uint8_t SidedModifiers[] = {LShift, RShift, LControl, RControl, LMenu, RMenu, LWin, RWin};

// The key a generic Shift, Ctrl or Alt is typed with: the left one.
constexpr std::uint8_t Sided(std::uint8_t code) {
    return code == Shift ? LShift : code == Control ? LControl : code == Menu ? LMenu : code;
}

}  // namespace vk

namespace mod {

// A chord's modifiers. Mask{} is none; Mask(n) takes the stored number as it
// is, bits() gives it back.
class Mask : public keys::BitFlags<Mask> {
public:
    using BitFlags::BitFlags;
    static const Mask Alt, Control, Shift, Win, All;

    // The bit of a modifier key, generic or sided; none for any other key.
    // The right Windows key counts as Win here, as a held key.
    static constexpr Mask of(int code);
};

inline constexpr Mask Mask::Alt{1}, Mask::Control{2}, Mask::Shift{4}, Mask::Win{8},
    Mask::All = Mask::Alt | Mask::Control | Mask::Shift | Mask::Win;

constexpr Mask Mask::of(int code) {
    switch (code) {
        case vk::Shift:
        case vk::LShift:
        case vk::RShift: return Shift;
        case vk::Control:
        case vk::LControl:
        case vk::RControl: return Control;
        case vk::Menu:
        case vk::LMenu:
        case vk::RMenu: return Alt;
        case vk::LWin:
        case vk::RWin: return Win;
        default: return Mask();
    }
}

}  // namespace mod
