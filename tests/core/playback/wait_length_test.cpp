#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core/playback/program_error.h"
#include "core/playback/wait_length.h"

// Both waiters take their length from here: a bad one is refused the same way
// on both systems, and a huge one is bounded before any waiter converts it.
TEST(WaitLength, BadLengthsAreRefusedAndHugeOnesBounded) {
    for (double bad :
         {std::nan(""), -1.0, -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()}) {
        try {
            keyfunc::CheckedWaitMs(bad);
            ADD_FAILURE() << "no error for " << bad;
        } catch (const ProgramError& e) {
            EXPECT_EQ(e.description().rfind("[clsWaitableTimer.Wait]", 0), 0u) << e.description();
            EXPECT_EQ(e.number(), 5);
            EXPECT_EQ(e.source(), "clsWaitableTimer");
        }
    }
    EXPECT_EQ(keyfunc::CheckedWaitMs(0), 0);
    EXPECT_EQ(keyfunc::CheckedWaitMs(12.4), 12.4);
    // Beyond what a QTimer's int or a Windows due time could hold.
    EXPECT_EQ(keyfunc::CheckedWaitMs(3e9), 3e9);
    EXPECT_EQ(keyfunc::CheckedWaitMs(1e300), keyfunc::kLongestWaitMs);
}
