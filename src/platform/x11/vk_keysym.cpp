#include "platform/x11/vk_keysym.h"

#include "core/keys/virtual_keys.h"

#include <array>

#define XK_MISCELLANY
#define XK_LATIN1
#define XK_XKB_KEYS
#include <X11/XF86keysym.h>
#include <X11/keysymdef.h>

namespace x11 {

namespace {

struct Pair {
    std::uint8_t vk;
    Keysym keysym;
};

// Keys by virtual-key code. Letters, digits and F1-F24 follow by rule below.
// A table, laid out as one.
// clang-format off
constexpr std::array kTable{
    Pair{0x08, XK_BackSpace},   Pair{0x09, XK_Tab},          Pair{0x0C, XK_Clear},
    Pair{0x0D, XK_Return},      Pair{0x10, XK_Shift_L},      Pair{0x11, XK_Control_L},
    Pair{0x12, XK_Alt_L},       Pair{0x13, XK_Pause},        Pair{0x14, XK_Caps_Lock},
    Pair{0x1B, XK_Escape},      Pair{0x20, XK_space},        Pair{0x21, XK_Prior},
    Pair{0x22, XK_Next},        Pair{0x23, XK_End},          Pair{0x24, XK_Home},
    Pair{0x25, XK_Left},        Pair{0x26, XK_Up},           Pair{0x27, XK_Right},
    Pair{0x28, XK_Down},        Pair{0x29, XK_Select},       Pair{0x2A, XK_Print},
    Pair{0x2B, XK_Execute},     Pair{0x2C, XK_Print},        Pair{0x2D, XK_Insert},
    Pair{0x2E, XK_Delete},      Pair{0x2F, XK_Help},         Pair{0x5B, XK_Super_L},
    Pair{0x5C, XK_Super_R},     Pair{0x5D, XK_Menu},         Pair{0x5F, XF86XK_Sleep},
    Pair{0x6A, XK_KP_Multiply}, Pair{0x6B, XK_KP_Add},       Pair{0x6C, XK_KP_Separator},
    Pair{0x6D, XK_KP_Subtract}, Pair{0x6E, XK_KP_Decimal},   Pair{0x6F, XK_KP_Divide},
    Pair{0x90, XK_Num_Lock},    Pair{0x91, XK_Scroll_Lock},  Pair{0xA0, XK_Shift_L},
    Pair{0xA1, XK_Shift_R},     Pair{0xA2, XK_Control_L},    Pair{0xA3, XK_Control_R},
    Pair{0xA4, XK_Alt_L},       Pair{0xA5, XK_Alt_R},        Pair{0xA6, XF86XK_Back},
    Pair{0xA7, XF86XK_Forward}, Pair{0xA8, XF86XK_Refresh},  Pair{0xA9, XF86XK_Stop},
    Pair{0xAA, XF86XK_Search},  Pair{0xAB, XF86XK_Favorites}, Pair{0xAC, XF86XK_HomePage},
    Pair{0xAD, XF86XK_AudioMute}, Pair{0xAE, XF86XK_AudioLowerVolume},
    Pair{0xAF, XF86XK_AudioRaiseVolume}, Pair{0xB0, XF86XK_AudioNext},
    Pair{0xB1, XF86XK_AudioPrev}, Pair{0xB2, XF86XK_AudioStop}, Pair{0xB3, XF86XK_AudioPlay},
    Pair{0xB4, XF86XK_Mail},    Pair{0xB5, XF86XK_AudioMedia},
    // The US layout's punctuation keys.
    Pair{0xBA, XK_semicolon},   Pair{0xBB, XK_equal},        Pair{0xBC, XK_comma},
    Pair{0xBD, XK_minus},       Pair{0xBE, XK_period},       Pair{0xBF, XK_slash},
    Pair{0xC0, XK_grave},       Pair{0xDB, XK_bracketleft},  Pair{0xDC, XK_backslash},
    Pair{0xDD, XK_bracketright}, Pair{0xDE, XK_apostrophe},  Pair{0xE2, XK_less},
};
// clang-format on

}  // namespace

Keysym VkToKeysym(std::uint8_t vk) {
    if (vk >= '0' && vk <= '9') return XK_0 + (vk - '0');
    if (vk >= 'A' && vk <= 'Z') return XK_a + (vk - 'A');
    if (vk >= 0x60 && vk <= 0x69) return XK_KP_0 + (vk - 0x60);
    if (vk >= 0x70 && vk <= 0x87) return XK_F1 + (vk - 0x70);
    for (const auto& p : kTable)
        if (p.vk == vk) return p.keysym;
    return 0;
}

std::uint8_t KeysymToVk(Keysym ks) {
    switch (ks) {
        case XK_Shift_L:
        case XK_Shift_R: return vk::Shift;
        case XK_Control_L:
        case XK_Control_R: return vk::Control;
        case XK_Alt_L:
        case XK_Alt_R:
        case XK_Meta_L:
        case XK_Meta_R:
        case XK_ISO_Level3_Shift: return vk::Menu;
        case XK_KP_Enter: return vk::Return;
        case XK_Print:
        case XK_Sys_Req: return vk::Snapshot;
        case XK_Break: return 0x13;
        // The keypad's navigation keys (NumLock off) are the keypad digits' own keys.
        case XK_KP_Insert: return 0x60;
        case XK_KP_End: return 0x61;
        case XK_KP_Down: return 0x62;
        case XK_KP_Next: return 0x63;
        case XK_KP_Left: return 0x64;
        case XK_KP_Begin: return 0x65;
        case XK_KP_Right: return 0x66;
        case XK_KP_Home: return 0x67;
        case XK_KP_Up: return 0x68;
        case XK_KP_Prior: return 0x69;
        case XK_KP_Delete: return 0x6E;
        default: break;
    }
    if (ks >= XK_A && ks <= XK_Z) return static_cast<std::uint8_t>('A' + (ks - XK_A));
    for (int vk = 1; vk < 256; ++vk)
        if (VkToKeysym(static_cast<std::uint8_t>(vk)) == ks) return static_cast<std::uint8_t>(vk);
    return 0;
}

std::uint8_t KeysymToSidedVk(Keysym ks) {
    switch (ks) {
        case XK_Shift_L: return vk::LShift;
        case XK_Shift_R: return vk::RShift;
        case XK_Control_L: return vk::LControl;
        case XK_Control_R: return vk::RControl;
        case XK_Alt_L:
        case XK_Meta_L: return vk::LMenu;
        case XK_Alt_R:
        case XK_Meta_R:
        case XK_ISO_Level3_Shift: return vk::RMenu;
        default: return KeysymToVk(ks);
    }
}

}  // namespace x11
