#pragma once
// A US layout on evdev keycodes with its modifier map, for the tests of the
// chord table and the grab set.

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>

#include "platform/x11/layout.h"
#include "platform/x11/made_up_keymap.h"

namespace x11test {

// X modifier bits as the modifier map below binds them.
inline constexpr std::uint16_t kShift = XCB_MOD_MASK_SHIFT, kLock = XCB_MOD_MASK_LOCK, kCtrl = XCB_MOD_MASK_CONTROL,
                               kAlt = XCB_MOD_MASK_1, kNum = XCB_MOD_MASK_2, kScroll = XCB_MOD_MASK_3,
                               kSuper = XCB_MOD_MASK_4;
// Keycodes.
inline constexpr x11::Keycode kA = 38, kC = 54, kE = 26, kJ = 44, kF1 = 67, kShiftL = 50, kCtrlL = 37, kAltL = 64;

inline MapBuilder UsKeys() {
    MapBuilder m;
    m.key(kShiftL, XK_Shift_L).key(kCtrlL, XK_Control_L).key(kAltL, XK_Alt_L).key(133, XK_Super_L);
    m.key(77, XK_Num_Lock).key(78, XK_Scroll_Lock).key(66, XK_Caps_Lock);
    m.key(kA, XK_a, XK_A).key(kC, XK_c, XK_C).key(kE, XK_e, XK_E).key(kJ, XK_j, XK_J);
    m.key(kF1, XK_F1, 0x1008FE01 /* XF86Switch_VT_1, as Ctrl+Alt reaches it */);
    return m;
}

inline x11::ModifierMap UsModifiers(bool superBound = true) {
    x11::ModifierMap m;
    m[0] = {kShiftL};
    m[1] = {66};
    m[2] = {kCtrlL};
    m[3] = {kAltL};
    m[4] = {77};
    m[5] = {78};
    if (superBound) m[6] = {133};
    return m;
}

}  // namespace x11test
