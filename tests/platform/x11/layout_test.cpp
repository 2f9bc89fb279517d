#include "platform/x11/layout.h"

#include <gtest/gtest.h>
#include <map>

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>

#include "core/keys/virtual_keys.h"
#include "platform/x11/made_up_keymap.h"

using mod::Mask;
using x11::Keysym;

namespace {

using x11test::MapBuilder;

// What every layout here shares: modifiers, function and navigation keys, the keypad.
MapBuilder common() {
    MapBuilder m;
    m.key(50, XK_Shift_L).key(62, XK_Shift_R).key(37, XK_Control_L).key(64, XK_Alt_L).key(133, XK_Super_L);
    m.key(77, XK_Num_Lock).key(78, XK_Scroll_Lock).key(66, XK_Caps_Lock);
    m.key(36, XK_Return).key(104, XK_KP_Enter).key(67, XK_F1).key(113, XK_Left);
    m.key(90, XK_KP_Insert, XK_KP_0).key(86, XK_KP_Add);
    return m;
}

x11::ModifierMap modifiers(bool scrollLockBound = true, bool superBound = true) {
    x11::ModifierMap m;
    m[0] = {50, 62};
    m[1] = {66};
    m[2] = {37};
    m[3] = {64};
    m[4] = {77};
    if (scrollLockBound) m[5] = {78};
    if (superBound) m[6] = {133};
    return m;
}

x11::Layout us() {
    MapBuilder m = common();
    m.key(10, XK_1, XK_exclam).key(19, XK_0, XK_parenright).key(20, XK_minus, XK_underscore);
    m.key(24, XK_q, XK_Q).key(38, XK_a, XK_A).key(47, XK_semicolon, XK_colon).key(52, XK_z, XK_Z);
    m.key(58, XK_m, XK_M).key(59, XK_comma, XK_less).key(34, XK_bracketleft, XK_braceleft);
    return x11::Layout(m.build(), modifiers());
}

}  // namespace

TEST(Layout, UsKeysHaveTheirUsualCodesBothWays) {
    const x11::Layout l = us();
    const std::pair<int, int> keys[] = {
        {38, 'A'},
        {10, '1'},
        {19, '0'},
        {20, vk::OemMinus},
        {47, vk::OemSemicolon},
        {59, vk::OemComma},
        {34, vk::OemOpenBracket},
        {67, vk::F1},
        {113, vk::Left},
        {36, vk::Return},
        {86, vk::Add},
        {37, vk::Control},
        {133, vk::LWin},
        {90, vk::Numpad0},
    };
    for (const auto& [kc, code] : keys) {
        EXPECT_EQ(l.virtualKey(static_cast<xcb_keycode_t>(kc)), code) << kc;
        EXPECT_NE(std::find(l.keycodes(static_cast<std::uint8_t>(code)).begin(),
                            l.keycodes(static_cast<std::uint8_t>(code)).end(), kc),
                  l.keycodes(static_cast<std::uint8_t>(code)).end())
            << code;
    }
    EXPECT_EQ(l.sidedVirtualKey(37), vk::LControl);
    EXPECT_EQ(l.sidedVirtualKey(62), vk::RShift);
    // Either Enter is the Enter key, for a chord.
    EXPECT_EQ(l.keycodes(vk::Return), (std::vector<xcb_keycode_t>{36, 104}));
    // Typed: the keycode that types the key; a generic Shift is the left one.
    EXPECT_EQ(l.keycodeToType('A'), 38);
    EXPECT_EQ(l.keycodeToType(vk::Shift), 50);
    EXPECT_EQ(l.keycodeToType(vk::RShift), 62);
    // The keypad's 0 is its key's second level while NumLock is off: borrowed.
    EXPECT_EQ(l.keycodeToType(vk::Numpad0), 0);
    EXPECT_EQ(l.keycodeToType(vk::F24), 0);
    EXPECT_EQ(l.name('A'), "A");
    EXPECT_EQ(l.name(vk::OemSemicolon), ";");
    EXPECT_EQ(l.name(vk::Left), "Left");
}

TEST(Layout, AzertyDigitsAreDigitsAndEveryKeyGetsACode) {
    MapBuilder m = common();
    // The digit row types symbols unshifted and digits shifted.
    m.key(10, XK_ampersand, XK_1).key(11, XK_eacute, XK_2).key(19, XK_agrave, XK_0);
    m.key(24, XK_a, XK_A).key(25, XK_z, XK_Z).key(38, XK_q, XK_Q).key(47, XK_m, XK_M).key(52, XK_w, XK_W);
    // Where the US layout has M, AZERTY has the comma; the US comma's place has the semicolon.
    m.key(58, XK_comma, XK_question).key(59, XK_semicolon, XK_period).key(20, XK_parenright, XK_degree);
    const x11::Layout l(m.build(), modifiers());
    EXPECT_EQ(l.virtualKey(10), '1');
    EXPECT_EQ(l.virtualKey(11), '2');
    EXPECT_EQ(l.virtualKey(19), '0');
    EXPECT_EQ(l.virtualKey(24), 'A');
    EXPECT_EQ(l.virtualKey(38), 'Q');
    EXPECT_EQ(l.virtualKey(47), 'M');
    EXPECT_EQ(l.virtualKey(59), vk::OemComma) << "by position";
    EXPECT_EQ(l.virtualKey(20), vk::OemMinus) << "by position";
    const std::uint8_t comma = l.virtualKey(58);
    EXPECT_NE(comma, 0) << "M is on another key here; this one still gets a code";
    EXPECT_NE(comma, 'M');
    EXPECT_EQ(l.keycodes(comma), (std::vector<xcb_keycode_t>{58}));
    EXPECT_EQ(l.name(comma), ",");
    // "1" is this key, whatever it types.
    EXPECT_EQ(l.keycodeToType('1'), 10);
    EXPECT_EQ(l.name('1'), "1");
}

TEST(Layout, GermanLettersAndPunctuationKeepTheirPlaces) {
    MapBuilder m = common();
    m.key(20, XK_ssharp, XK_question).key(34, XK_udiaeresis, XK_Udiaeresis).key(47, XK_odiaeresis, XK_Odiaeresis);
    m.key(29, XK_z, XK_Z).key(52, XK_y, XK_Y).key(10, XK_1, XK_exclam);
    const x11::Layout l(m.build(), modifiers());
    EXPECT_EQ(l.virtualKey(20), vk::OemMinus);
    EXPECT_EQ(l.name(vk::OemMinus), "ß");
    EXPECT_EQ(l.virtualKey(34), vk::OemOpenBracket);
    EXPECT_EQ(l.name(vk::OemOpenBracket), "ü");
    EXPECT_EQ(l.virtualKey(29), 'Z');
    EXPECT_EQ(l.virtualKey(52), 'Y');
    EXPECT_EQ(l.keycodeToType('Z'), 29);
}

TEST(Layout, ModifiersAndLocksComeFromTheModifierMap) {
    const x11::Layout l = us();
    bool ok = false;
    EXPECT_EQ(l.xModifiers(Mask::Alt | Mask::Win | Mask::Control, &ok),
              XCB_MOD_MASK_1 | XCB_MOD_MASK_4 | XCB_MOD_MASK_CONTROL);
    EXPECT_TRUE(ok);
    // CapsLock, NumLock (Mod2) and ScrollLock (Mod3): every combination of them.
    EXPECT_EQ(l.lockMask(), XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2 | XCB_MOD_MASK_3);
    const auto variants = l.lockVariants(XCB_MOD_MASK_CONTROL);
    EXPECT_EQ(variants.size(), 8u);
    EXPECT_NE(std::find(variants.begin(), variants.end(), XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_3), variants.end());

    MapBuilder m = common();
    const x11::Layout bare(m.build(), modifiers(false, false));
    EXPECT_EQ(bare.lockMask(), XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2);
    bare.xModifiers(Mask::Win, &ok);
    EXPECT_FALSE(ok) << "no modifier carries the Windows key";
}
