// When a taken chord key counts as let go, so that its auto-repeat never
// reaches the focused window and a later press of it does.

#include "platform/x11/repeat_guard.h"

#include <gtest/gtest.h>

using x11::RepeatGuard;
using namespace std::chrono_literals;

namespace {
constexpr x11::Keycode kJ = 44, kK = 45;
const RepeatGuard::Clock::time_point t0{};
}  // namespace

TEST(RepeatGuard, AHeldKeyIsTakenUntilNoPressFollowsItsReleaseWithinTheSettleTime) {
    RepeatGuard g;
    g.start(kJ, true, t0);
    EXPECT_TRUE(g.taking(kJ));
    EXPECT_FALSE(g.nextLetGo()) << "held: no end in sight";
    EXPECT_TRUE(g.letGo(t0 + 10s).empty());

    // A repeat forwarded from another display: release, then press 30 ms later.
    EXPECT_TRUE(g.onUserKey(kJ, false, t0 + 100ms));
    EXPECT_EQ(g.nextLetGo(), t0 + 100ms + RepeatGuard::kLetGoSettle);
    EXPECT_FALSE(g.onUserKey(kJ, true, t0 + 130ms));
    EXPECT_FALSE(g.nextLetGo());
    EXPECT_TRUE(g.letGo(t0 + 300ms).empty());

    // Let go for good.
    g.onUserKey(kJ, false, t0 + 400ms);
    EXPECT_TRUE(g.letGo(t0 + 479ms).empty());
    EXPECT_EQ(g.letGo(t0 + 480ms), std::vector<x11::Keycode>{kJ});
    EXPECT_FALSE(g.taking(kJ));
    EXPECT_FALSE(g.onUserKey(kJ, false, t0 + 500ms)) << "no longer taken";
}

TEST(RepeatGuard, ATapQuickerThanTheProgramCountsAsLetGoFromTheStart) {
    RepeatGuard g;
    g.start(kJ, false, t0);
    g.start(kK, true, t0);
    EXPECT_EQ(g.nextLetGo(), t0 + RepeatGuard::kLetGoSettle);
    EXPECT_EQ(g.letGo(t0 + RepeatGuard::kLetGoSettle), std::vector<x11::Keycode>{kJ});
    EXPECT_EQ(g.keys(), std::set<x11::Keycode>{kK});
    EXPECT_FALSE(g.onUserKey(kJ, true, t0 + 100ms)) << "other keys pass untouched";
    g.clear();
    EXPECT_FALSE(g.taking(kK));
}
