// Key state and key names of the Windows backend.

#include <windows.h>
#include <gtest/gtest.h>

#include "core/diag/diag.h"
#include "core/keys/virtual_keys.h"
#include "platform/win32/keyboard_hook.h"
#include "platform/win32/win32_key_injector.h"
#include "platform/win32/win32_key_namer.h"
#include "platform/win32/win32_keyboard_state.h"
#include "support/child_process.h"
#include "support/key_set.h"
#include "support/listener_process.h"
#include "support/pump.h"

namespace {

LRESULT CALLBACK swallowEveryKey(int code, WPARAM wParam, LPARAM lParam) {
    return code == HC_ACTION ? 1 : CallNextHookEx(nullptr, code, wParam, lParam);
}

// The record once the hook's thread has handled every key event so far.
platform::KeySet heldAfterSync(win32::Win32KeyboardState& state) {
    state.sync();
    return state.physicalDown();
}

}  // namespace

TEST(Win32KeyboardState, InjectedKeysAreDownForApplicationsButNotInTheUsersHands) {
    auto state = win32::Win32KeyboardState::create();
    ASSERT_TRUE(state);
    win32::Win32KeyInjector injector;
    constexpr std::uint8_t keys[] = {vk::RControl, vk::LMenu, vk::RWin, 'Q'};
    for (std::uint8_t vk : keys) injector.keyDown(vk);
    wintest::PumpFor(20);

    const platform::KeySet logical = state->logicalDown();
    for (std::uint8_t vk : keys) EXPECT_TRUE(logical[vk]) << vk;
    EXPECT_FALSE(logical[vk::LControl]) << "the right Ctrl, not the left one";
    for (int generic : {vk::Shift, vk::Control, vk::Menu})
        EXPECT_FALSE(logical[generic]) << "only sided codes: " << generic;
    EXPECT_FALSE(state->physicalDown().any()) << "the hook saw them flagged as injected";

    for (std::uint8_t vk : keys) injector.keyUp(vk);
    wintest::PumpFor(20);
    EXPECT_FALSE(state->logicalDown().any());
}

// Back from the lock screen the hook, which Windows may have removed
// meanwhile, is installed anew, ahead of hooks installed since, and its
// record checked against the system: a release it never saw is let go of, a
// key still down is kept.
TEST(Win32KeyboardState, TheSessionBackHooksAgainAndChecksTheKeysHeld) {
    auto state = win32::Win32KeyboardState::create();
    ASSERT_TRUE(state);
    const HWND session = win32::keyboard_hook::sessionWindow();
    ASSERT_TRUE(session);
    // Expectations only from here on: the keys pressed are let go of at the end, whatever happens.
    EXPECT_TRUE(wintest::SendKeys(L"+91 +162"));
    EXPECT_EQ(heldAfterSync(*state), wintest::KeySetOf({vk::LWin, vk::LControl}));

    win32::keyboard_hook::watchForTest(false);  // the watch would notice too
    win32::keyboard_hook::removeForTest();
    EXPECT_TRUE(wintest::SendKeys(L"-162"));
    HHOOK ahead = SetWindowsHookExW(WH_KEYBOARD_LL, swallowEveryKey, GetModuleHandleW(nullptr), 0);
    EXPECT_TRUE(ahead);
    EXPECT_EQ(heldAfterSync(*state), wintest::KeySetOf({vk::LWin, vk::LControl})) << "no hook of ours saw it";

    SendMessageW(session, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0);
    EXPECT_EQ(heldAfterSync(*state), wintest::KeySetOf({vk::LWin}));
    EXPECT_TRUE(wintest::SendKeys(L"+160"));
    EXPECT_EQ(heldAfterSync(*state), wintest::KeySetOf({vk::LWin, vk::LShift})) << "ours runs ahead of the other";
    EXPECT_TRUE(wintest::SendKeys(L"-160"));
    UnhookWindowsHookEx(ahead);
    win32::keyboard_hook::watchForTest(true);
    EXPECT_TRUE(wintest::SendKeys(L"-91"));
    EXPECT_FALSE(state->logicalDown().any());
}

// The hook's watch hears of key events only, through raw input: a hook
// Windows removed is noticed by the keys it missed, and installed again,
// with the line for the log written by the program's thread; the mouse
// moving wakes nothing, and no key of the program's reaches another hook.
TEST(Win32KeyboardState, AHookWindowsRemovedIsFoundByTheKeysItMissedAndNothingElse) {
    wintest::ListenerProcess listener;  // the keys go to another program's window
    ASSERT_TRUE(listener.ready());
    auto state = win32::Win32KeyboardState::create();
    ASSERT_TRUE(state);
    // Installed later, it runs first.
    static int othersSaw = 0;
    HHOOK other = SetWindowsHookExW(
        WH_KEYBOARD_LL,
        [](int code, WPARAM wParam, LPARAM lParam) {
            othersSaw += code == HC_ACTION;
            return CallNextHookEx(nullptr, code, wParam, lParam);
        },
        GetModuleHandleW(nullptr), 0);
    ASSERT_TRUE(other);
    const int before = win32::keyboard_hook::reinstalls();
    std::vector<DWORD> reportedOn;
    diag::SetSink([&](std::string_view) { reportedOn.push_back(GetCurrentThreadId()); });
    EXPECT_TRUE(wintest::SendKeys(L"+162"));
    ASSERT_EQ(heldAfterSync(*state), wintest::KeySetOf({vk::LControl}));
    othersSaw = 0;
    for (int i = 0; i < 30; ++i) {
        INPUT move{.type = INPUT_MOUSE, .mi = {i % 2 ? 5 : -5, 0, 0, MOUSEEVENTF_MOVE, 0, 0}};
        ASSERT_EQ(SendInput(1, &move, sizeof move), 1u);
        wintest::PumpFor(100);
    }
    EXPECT_EQ(othersSaw, 0) << "a key event of the program's own";
    EXPECT_EQ(win32::keyboard_hook::reinstalls(), before);
    EXPECT_EQ(heldAfterSync(*state), wintest::KeySetOf({vk::LControl})) << "the record was kept";

    win32::keyboard_hook::removeForTest();
    EXPECT_TRUE(wintest::SendKeys(L"-162 +160 -160"));
    EXPECT_TRUE(
        wintest::PumpUntil([&] { return win32::keyboard_hook::reinstalls() > before && !reportedOn.empty(); }, 5000))
        << "the removed hook was never noticed";
    EXPECT_EQ(reportedOn, std::vector<DWORD>{GetCurrentThreadId()});
    EXPECT_FALSE(heldAfterSync(*state).any()) << "checked against the system";
    EXPECT_TRUE(wintest::SendKeys(L"+162"));
    EXPECT_EQ(heldAfterSync(*state), wintest::KeySetOf({vk::LControl})) << "the hook sees keys again";
    EXPECT_TRUE(wintest::SendKeys(L"-162"));
    diag::SetSink(nullptr);
    UnhookWindowsHookEx(other);
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
