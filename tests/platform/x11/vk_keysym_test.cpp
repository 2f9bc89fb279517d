#include "platform/x11/vk_keysym.h"

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>
#include <gtest/gtest.h>

#include "core/keys/virtual_keys.h"

using x11::KeysymToVk;
using x11::VkToKeysym;

TEST(VkKeysym, TheKeysAKeyboardHasHaveKeysyms) {
    EXPECT_EQ(VkToKeysym('A'), static_cast<x11::Keysym>(XK_a));
    EXPECT_EQ(VkToKeysym('0'), static_cast<x11::Keysym>(XK_0));
    EXPECT_EQ(VkToKeysym(vk::F1), static_cast<x11::Keysym>(XK_F1));
    EXPECT_EQ(VkToKeysym(vk::F24), static_cast<x11::Keysym>(XK_F24));
    EXPECT_EQ(VkToKeysym(vk::Left), static_cast<x11::Keysym>(XK_Left));
    EXPECT_EQ(VkToKeysym(vk::Down), static_cast<x11::Keysym>(XK_Down));
    EXPECT_EQ(VkToKeysym(vk::Numpad0), static_cast<x11::Keysym>(XK_KP_0));
    EXPECT_EQ(VkToKeysym(vk::Add), static_cast<x11::Keysym>(XK_KP_Add));
    EXPECT_EQ(VkToKeysym(vk::Divide), static_cast<x11::Keysym>(XK_KP_Divide));
    EXPECT_EQ(VkToKeysym(vk::OemSemicolon), static_cast<x11::Keysym>(XK_semicolon));
    EXPECT_EQ(VkToKeysym(vk::RMenu), static_cast<x11::Keysym>(XK_Alt_R));
    EXPECT_EQ(VkToKeysym(vk::RWin), static_cast<x11::Keysym>(XK_Super_R));
    EXPECT_EQ(VkToKeysym(0), 0u);
    EXPECT_EQ(VkToKeysym(vk::NoKey), 0u);
    // Every key the editor offers types something.
    for (const std::uint8_t code :
         {vk::Back, vk::Return, vk::Shift, vk::Control, vk::Menu, vk::Escape, vk::Space, vk::Left, vk::Up, vk::Right,
          vk::Down, vk::LWin, vk::Multiply, vk::Add, vk::Subtract, vk::Divide})
        EXPECT_NE(VkToKeysym(code), 0u) << int(code);
}

TEST(VkKeysym, CaptureSeesEitherSideAsTheGenericModifierButTheWindowsKeysApart) {
    EXPECT_EQ(KeysymToVk(XK_Shift_R), vk::Shift);
    EXPECT_EQ(KeysymToVk(XK_Control_R), vk::Control);
    EXPECT_EQ(KeysymToVk(XK_Alt_R), vk::Menu);
    EXPECT_EQ(KeysymToVk(XK_Super_L), vk::LWin);
    EXPECT_EQ(KeysymToVk(XK_Super_R), vk::RWin);
    EXPECT_EQ(KeysymToVk(XK_Menu), vk::Apps);
    EXPECT_EQ(KeysymToVk(XK_A), 'A');
    EXPECT_EQ(KeysymToVk(XK_a), 'A');
    EXPECT_EQ(KeysymToVk(XK_KP_Left), vk::Numpad4);  // the keypad's 4 with NumLock off
    EXPECT_EQ(KeysymToVk(XK_Print), vk::Snapshot);
    EXPECT_EQ(KeysymToVk(XK_KP_Enter), vk::Return);
    // Every code with a keysym comes back to itself, but for the generic modifiers' sides.
    for (int code = 1; code < 256; ++code) {
        const auto ks = VkToKeysym(static_cast<std::uint8_t>(code));
        if (ks == 0 || (code >= vk::LShift && code <= vk::RMenu) || code == vk::Print) continue;
        EXPECT_EQ(KeysymToVk(ks), code) << code;
    }
}
