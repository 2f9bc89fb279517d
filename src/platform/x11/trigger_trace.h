#pragma once
// What one trigger cost on its way to its first injected key: the round
// trips to the X server in between, and, when asked for (ZORVANE_TRACE), the
// time each step of the way was reached, on the steady clock that every
// process of the machine shares, so that a benchmark can set them beside the
// moment it pressed the key. Marks cost a branch when timing is off.

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

namespace x11 {

class TriggerTrace {
public:
    using Clock = std::chrono::steady_clock;
    enum Step {
        Read,       // the grabbed press was read from the connection
        Fired,      // the router matched it to a chord and let the keyboard go
        SyncSent,   // the playback asked the server for everything up to now
        Answered,   // the server's answer was read, the key state brought up to date
        Regrabbed,  // the grabs were changed for the playback's modifiers
        FirstCall,  // the injector was first asked for a key (its keycode looked up)
        FirstSent,  // the first XTest request was queued
        Flushed,    // the requests went out to the server
        kSteps
    };

    explicit TriggerTrace(bool timing) : timing_(timing) {}
    bool timing() const { return timing_; }

    void countRoundTrip(unsigned n = 1) { roundTrips_ += n; }
    unsigned roundTrips() const { return roundTrips_; }

    // A step that may come before the trigger is known as one (the read).
    void markAlways(Step step) {
        if (timing_) at_[step] = Clock::now();
    }
    // A step of the trigger on its way; only the first of each counts.
    void mark(Step step) {
        if (timing_ && pending_ && at_[step] == Clock::time_point{}) at_[step] = Clock::now();
    }

    // A trigger fired: the round trips and steps until its first key are counted.
    void trigger();
    // The trigger's call has returned. One that played nothing (its slot's
    // playback was still running) has no first key: the running playback's
    // next key is not its. True when a report is due (see report()).
    bool endTrigger();
    // The first key after the trigger was queued; the count is done.
    void firstKey();
    // The requests went out. True when that completes a trigger's steps and
    // a report is due.
    bool flushed();
    // Round trips from the last trigger to its first injected key.
    unsigned roundTripsToFirstKey() const { return roundTripsToFirstKey_; }

    // The lines a finished trigger is reported with.
    std::string roundTripLine() const;
    std::string timesLine() const;

private:
    bool timing_;
    unsigned roundTrips_ = 0;
    unsigned roundTripsAtTrigger_ = 0, roundTripsToFirstKey_ = 0;
    bool pending_ = false;     // a trigger's first key is still to come
    bool awaitFlush_ = false;  // its first key is queued, not yet sent
    std::array<Clock::time_point, kSteps> at_{};
    Clock::time_point readAtTrigger_{};
};

}  // namespace x11
