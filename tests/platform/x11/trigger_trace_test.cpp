// The round trips a trigger costs before its first key, as ZORVANE_TRACE reports them.

#include "platform/x11/trigger_trace.h"

#include <gtest/gtest.h>
#include <utility>

#include "core/diag/trace_switch.h"

using x11::TriggerTrace;

TEST(TriggerTrace, CountsTheRoundTripsFromATriggerToItsFirstKeyOnly) {
    TriggerTrace t(false);
    t.countRoundTrip();  // setting up
    t.trigger();
    t.countRoundTrip();  // the playback's look at the keys
    t.firstKey();
    t.countRoundTrip();  // a later look, within the same playback
    t.firstKey();
    EXPECT_EQ(t.roundTripsToFirstKey(), 1u);
    EXPECT_TRUE(t.flushed()) << "the first key went out";
    EXPECT_FALSE(t.endTrigger()) << "its report is due once, at the flush";

    // A trigger that played nothing: the next playback's key is not its.
    t.trigger();
    t.countRoundTrip();
    t.countRoundTrip();
    EXPECT_FALSE(t.endTrigger());
    t.firstKey();
    EXPECT_EQ(t.roundTripsToFirstKey(), 1u);
}

TEST(TriggerTrace, TimesEachStepOnceAndReportsWhenTheFirstKeyIsSent) {
    TriggerTrace t(true);
    t.markAlways(TriggerTrace::Read);
    t.mark(TriggerTrace::SyncSent);  // no trigger yet: not its step
    t.trigger();
    t.mark(TriggerTrace::SyncSent);
    t.mark(TriggerTrace::Answered);
    EXPECT_FALSE(t.flushed()) << "no key yet";
    t.firstKey();
    EXPECT_TRUE(t.flushed());
    EXPECT_FALSE(t.flushed()) << "reported once";
    const std::string line = t.timesLine();
    EXPECT_EQ(line.rfind("trace: steps read=", 0), 0u) << line;
    EXPECT_EQ(line.find("read=0 "), std::string::npos) << line;
    EXPECT_EQ(line.find("sync=0 "), std::string::npos) << line;
    EXPECT_NE(line.find("regrabbed=0 "), std::string::npos) << "a step not reached is 0: " << line;
    EXPECT_EQ(t.roundTripLine(), "trace: first key 0 round trips after the trigger");
}

TEST(TriggerTrace, IsAskedForByAnyValueButAnEmptyOneOrZero) {
    for (const auto& [value, on] :
         {std::pair<const char*, bool>{nullptr, false}, {"", false}, {"0", false}, {"1", true}, {"yes", true}})
        EXPECT_EQ(diag::TraceAsked(value), on) << (value ? value : "unset");
}
