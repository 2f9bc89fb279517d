#include <chrono>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>
#include <QTimer>

#include "core/playback/program_error.h"
#include "ui/playback/clsWaitableTimer.h"
#include "ui/playback/keyfunc.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

TEST(Hold, EventsPostedDuringTheHoldAreHandledBeforeItEnds) {
    bool handled = false;
    double handledAt = -1;
    const auto start = Clock::now();
    QTimer::singleShot(20, [&] {
        handled = true;
        handledAt = msSince(start);
    });
    keyfunc::Delay(100);
    const double elapsed = msSince(start);
    EXPECT_TRUE(handled);
    EXPECT_LT(handledAt, 100);
    EXPECT_GE(elapsed, 100.0);
}

TEST(Hold, NestedHoldsEachLastTheirFullTime) {
    // A short hold inside a long one: the long one is not cut short.
    double inner = 0;
    auto start = Clock::now();
    QTimer::singleShot(20, [&] {
        const auto innerStart = Clock::now();
        keyfunc::Delay(50);
        inner = msSince(innerStart);
    });
    keyfunc::Delay(200);
    EXPECT_GE(msSince(start), 200.0);
    EXPECT_GE(inner, 50.0);

    // A long hold inside a short one: the inner one is not cut short either.
    start = Clock::now();
    QTimer::singleShot(20, [&] {
        const auto innerStart = Clock::now();
        keyfunc::Delay(200);
        inner = msSince(innerStart);
    });
    keyfunc::Delay(50);
    EXPECT_GE(inner, 200.0);
    EXPECT_GE(msSince(start), 50.0);
}

TEST(Hold, FractionalAndZeroWaitsAreNeverShort) {
    const auto start = Clock::now();
    clsWaitableTimer().Wait(12.4);
    EXPECT_GE(msSince(start), 12.4);
    EXPECT_NO_THROW(clsWaitableTimer().Wait(0));
}

TEST(Hold, ANonNumberIsRejectedWithTheWaitersPrefix) {
    for (double bad : {std::nan(""), -1.0, std::numeric_limits<double>::infinity()}) {
        try {
            keyfunc::Delay(bad);
            ADD_FAILURE() << "no error for " << bad;
        } catch (const ProgramError& e) {
            EXPECT_EQ(e.description().rfind("[clsWaitableTimer.Wait]", 0), 0u) << e.description();
        }
    }
}
