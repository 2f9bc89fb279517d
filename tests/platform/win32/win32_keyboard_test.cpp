// Key state and key names of the Windows backend.

#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/win32_key_injector.h"
#include "platform/win32/win32_key_namer.h"
#include "platform/win32/win32_keyboard_state.h"
#include "support/pump.h"

TEST(Win32KeyboardState, InjectedKeysAreDownForApplicationsButNotInTheUsersHands) {
    auto state = win32::Win32KeyboardState::create();
    ASSERT_TRUE(state);
    win32::Win32KeyInjector injector;
    constexpr std::uint8_t keys[] = {0xA3, 0xA4, 0x5C, 'Q'};
    for (std::uint8_t vk : keys) injector.keyDown(vk);
    wintest::PumpFor(20);

    const platform::KeySet logical = state->logicalDown();
    for (std::uint8_t vk : keys) EXPECT_TRUE(logical[vk]) << vk;
    EXPECT_FALSE(logical[0xA2]) << "the right Ctrl, not the left one";
    for (int generic : {0x10, 0x11, 0x12}) EXPECT_FALSE(logical[generic]) << "only sided codes: " << generic;
    EXPECT_FALSE(state->physicalDown().any()) << "the hook saw them flagged as injected";

    for (std::uint8_t vk : keys) injector.keyUp(vk);
    wintest::PumpFor(20);
    EXPECT_FALSE(state->logicalDown().any());
}

TEST(Win32KeyNamer, ExtendedKeysAreNamedApartFromTheKeypad) {
    win32::Win32KeyNamer namer;
    EXPECT_EQ(namer.name('A'), "A");
    EXPECT_EQ(namer.name(VK_LEFT), "Left");
    EXPECT_EQ(namer.name(VK_NUMPAD4), "Num 4");
    EXPECT_EQ(namer.name(VK_DELETE), "Delete");
    EXPECT_EQ(namer.name(VK_DECIMAL), "Num Del");
    EXPECT_EQ(namer.name(VK_DIVIDE), "Num /");
    EXPECT_EQ(namer.name(VK_RCONTROL), "Right Ctrl");
    EXPECT_EQ(namer.name(0), "");
    EXPECT_EQ(namer.name(300), "");
    EXPECT_EQ(namer.name(win32::Win32KeyInjector::kMaskKey), "") << "the mask key is no key";
    EXPECT_EQ(namer.virtualKey(38), 0);
}
