#include "platform/x11/vk_keysym.h"

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>
#include <gtest/gtest.h>

using x11::KeysymToVk;
using x11::VkToKeysym;

TEST(VkKeysym, TheKeysAKeyboardHasHaveKeysyms) {
    EXPECT_EQ(VkToKeysym('A'), static_cast<x11::Keysym>(XK_a));
    EXPECT_EQ(VkToKeysym('0'), static_cast<x11::Keysym>(XK_0));
    EXPECT_EQ(VkToKeysym(0x70), static_cast<x11::Keysym>(XK_F1));
    EXPECT_EQ(VkToKeysym(0x87), static_cast<x11::Keysym>(XK_F24));
    EXPECT_EQ(VkToKeysym(0x25), static_cast<x11::Keysym>(XK_Left));
    EXPECT_EQ(VkToKeysym(0x28), static_cast<x11::Keysym>(XK_Down));
    EXPECT_EQ(VkToKeysym(0x60), static_cast<x11::Keysym>(XK_KP_0));
    EXPECT_EQ(VkToKeysym(0x6B), static_cast<x11::Keysym>(XK_KP_Add));
    EXPECT_EQ(VkToKeysym(0x6F), static_cast<x11::Keysym>(XK_KP_Divide));
    EXPECT_EQ(VkToKeysym(0xBA), static_cast<x11::Keysym>(XK_semicolon));
    EXPECT_EQ(VkToKeysym(0xA5), static_cast<x11::Keysym>(XK_Alt_R));
    EXPECT_EQ(VkToKeysym(0x5C), static_cast<x11::Keysym>(XK_Super_R));
    EXPECT_EQ(VkToKeysym(0x00), 0u);
    EXPECT_EQ(VkToKeysym(0xFF), 0u);
    // Every key the editor offers types something.
    for (int vk : {8, 13, 16, 17, 18, 27, 32, 37, 38, 39, 40, 91, 106, 107, 109, 111})
        EXPECT_NE(VkToKeysym(static_cast<std::uint8_t>(vk)), 0u) << vk;
}

TEST(VkKeysym, CaptureSeesEitherSideAsTheGenericModifierButTheWindowsKeysApart) {
    EXPECT_EQ(KeysymToVk(XK_Shift_R), 16);
    EXPECT_EQ(KeysymToVk(XK_Control_R), 17);
    EXPECT_EQ(KeysymToVk(XK_Alt_R), 18);
    EXPECT_EQ(KeysymToVk(XK_Super_L), 91);
    EXPECT_EQ(KeysymToVk(XK_Super_R), 92);
    EXPECT_EQ(KeysymToVk(XK_Menu), 93);
    EXPECT_EQ(KeysymToVk(XK_A), 'A');
    EXPECT_EQ(KeysymToVk(XK_a), 'A');
    EXPECT_EQ(KeysymToVk(XK_KP_Left), 0x64);  // the keypad's 4 with NumLock off
    EXPECT_EQ(KeysymToVk(XK_Print), 0x2C);
    EXPECT_EQ(KeysymToVk(XK_KP_Enter), 0x0D);
    // Every code with a keysym comes back to itself, but for the generic modifiers' sides.
    for (int vk = 1; vk < 256; ++vk) {
        const auto ks = VkToKeysym(static_cast<std::uint8_t>(vk));
        if (ks == 0 || (vk >= 0xA0 && vk <= 0xA5) || vk == 0x2A) continue;
        EXPECT_EQ(KeysymToVk(ks), vk) << vk;
    }
}
