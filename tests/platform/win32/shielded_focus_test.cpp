// A window the program's keys cannot reach (one run as administrator, which
// Windows shields from a program that is not): a stand-in for the integrity
// check says so, as Wine has no integrity levels to show it.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "core/playback/player.h"
#include "platform/win32/integrity.h"
#include "platform/win32/win32_key_injector.h"
#include "platform/win32/win32_keyboard_state.h"
#include "support/child_process.h"
#include "support/listener_process.h"
#include "support/pump.h"
#include "ui/playback/clsWaitableTimer.h"

using namespace wintest;

namespace {

std::vector<int> keysLeftDown() {
    std::vector<int> down;
    for (int vk = 8; vk < 256; ++vk)
        if (GetAsyncKeyState(vk) & 0x8000) down.push_back(vk);
    return down;
}

std::string downsAndUps(const std::vector<KeyMessage>& log) {
    std::string out;
    for (const auto& m : log)
        if (m.kind != 'C') out += std::string(out.empty() ? "" : " ") + m.kind + std::to_string(m.code);
    return out;
}

}  // namespace

// Windows drops keys only on the way up; a level not read refuses nothing.
TEST(ShieldedFocus, OnlyALevelMeasuredHigherThanOursIsRefused) {
    using enum win32::Shield;
    using Level = std::optional<DWORD>;
    const Level none, low = 0x1000, medium = 0x2000, high = 0x3000;
    const std::tuple<Level, Level, win32::Shield> rows[] = {{high, medium, Refused},
                                                            {medium, medium, Plays},
                                                            {low, medium, Plays},
                                                            {none, medium, PlaysUnsure},
                                                            {high, none, PlaysUnsure}};
    for (const auto& [theirs, mine, shield] : rows)
        EXPECT_EQ(win32::ShieldOf(theirs, mine), shield) << theirs.value_or(0) << " over " << mine.value_or(0);
}

TEST(ShieldedFocus, AnOrdinaryWindowIsReachable) {
    ListenerProcess listener;
    ASSERT_TRUE(listener.ready());
    EXPECT_EQ(win32::ForegroundShieldReason(), "");
}

// A listener in front, and the program's player, whose keys a stand-in
// elevated window drops: in front from the start, or opened by the target.
class ShieldedTarget : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(listener.ready() && state) << "the listener's window never had the focus"; }

    ListenerProcess listener;
    bool elevated = false, comesForward = false;
    win32::Win32KeyInjector injector{nullptr,
                                     [this] { return elevated ? std::string("a stand-in elevated window") : ""; }};
    std::unique_ptr<win32::Win32KeyboardState> state = win32::Win32KeyboardState::create();
    clsWaitableTimer timer;
    playback::Player player{injector, state.get(), [this](int ms) {
                                timer.Wait(ms);
                                if (comesForward) elevated = true;  // Ctrl+Shift+Esc: Task Manager
                            }};
};

TEST_F(ShieldedTarget, NothingIsSentToItAndReleasesItWouldDropArriveOnceTheyCan) {
    elevated = true;
    player.play("2|17|67");
    PumpFor(50);
    elevated = false;
    comesForward = true;
    player.play("3|17|16|27");
    EXPECT_EQ(keysLeftDown(), (std::vector<int>{VK_SHIFT, VK_CONTROL, VK_ESCAPE, VK_LSHIFT, VK_LCONTROL}))
        << "what the dropped releases would leave";
    elevated = false;
    player.releaseOwed();
    PumpFor(50);
    EXPECT_EQ(keysLeftDown(), std::vector<int>{});
    // Nothing of the refused target; the owed releases behind a mask tap, so
    // that Ctrl+Shift let go of is no input-method switch.
    EXPECT_EQ(downsAndUps(listener.finish()), "D17 D16 D27 D232 U232 U27 U16 U17");
}

// While the window that dropped the releases was in front, the user pressed
// and let go of Ctrl: its release is the user's, already made, and the
// program sends only the releases still its own.
TEST_F(ShieldedTarget, AnOwedReleaseOfAKeyTheUserPressedSinceIsNotSentAgain) {
    comesForward = true;
    player.play("3|17|16|27");
    EXPECT_TRUE(SendKeys(L"+17 -17"));
    elevated = false;
    player.releaseOwed();
    PumpFor(50);
    EXPECT_EQ(keysLeftDown(), std::vector<int>{});
    EXPECT_EQ(downsAndUps(listener.finish()), "D17 D16 D27 D17 U17 D232 U232 U27 U16");
}
