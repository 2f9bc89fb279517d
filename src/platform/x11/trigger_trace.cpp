#include "platform/x11/trigger_trace.h"

namespace x11 {

void TriggerTrace::trigger() {
    roundTripsAtTrigger_ = roundTrips_;
    pending_ = true;
    awaitFlush_ = false;
    if (!timing_) return;
    const Clock::time_point read = at_[Read];
    at_ = {};
    at_[Read] = read;
    at_[Fired] = Clock::now();
}

bool TriggerTrace::endTrigger() {
    pending_ = false;
    if (!awaitFlush_) return false;
    awaitFlush_ = false;
    return true;
}

void TriggerTrace::firstKey() {
    if (!pending_ || awaitFlush_) return;
    mark(FirstSent);
    roundTripsToFirstKey_ = roundTrips_ - roundTripsAtTrigger_;
    awaitFlush_ = true;
}

bool TriggerTrace::flushed() {
    if (!awaitFlush_) return false;
    mark(Flushed);
    awaitFlush_ = false;
    pending_ = false;
    return true;
}

std::string TriggerTrace::roundTripLine() const {
    return "trace: first key " + std::to_string(roundTripsToFirstKey_) + " round trips after the trigger";
}

std::string TriggerTrace::timesLine() const {
    static constexpr const char* kNames[kSteps] = {"read",      "fired",      "sync",       "answered",
                                                   "regrabbed", "first-call", "first-sent", "flushed"};
    std::string line = "trace: steps";
    for (int i = 0; i < kSteps; ++i) {
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(at_[i].time_since_epoch()).count();
        line += " " + std::string(kNames[i]) + "=" + std::to_string(at_[i] == Clock::time_point{} ? 0 : ns);
    }
    return line;
}

}  // namespace x11
