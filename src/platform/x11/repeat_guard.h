#pragma once
// Tells a held chord's auto-repeat from a new press. From a chord's press
// until its key is let go, every press of that key is taken, whatever the
// modifiers, so that its auto-repeat never reaches the focused window while a
// playback changes the modifiers.
//
// Auto-repeat can come as a release and a press (a keyboard forwarded from
// another display: a nested server, a remote desktop), and the two halves can
// be up to a whole repeat interval apart (40 ms at X's default 25 per second).
// A taken key counts as let go only when no press follows its release within
// kLetGoSettle; a plain press of the key sooner than that after a chord is taken.

#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "platform/x11/key_bits.h"

namespace x11 {

class RepeatGuard {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kLetGoSettle{80};

    bool taking(Keycode kc) const { return taking_.contains(kc); }
    // A chord's key starts being taken. A key the user no longer holds (a tap
    // quicker than the program) counts as let go from `now` on.
    void start(Keycode kc, bool held, Clock::time_point now);
    // A key event not by the program's hand. True for the release of a taken
    // key, whose let-go time is then set.
    bool onUserKey(Keycode kc, bool press, Clock::time_point now);
    // The earliest time at which a taken key counts as let go; none while every one is held.
    std::optional<Clock::time_point> nextLetGo() const;
    // Keys whose let-go time has come by `now`: they are no longer taken.
    std::vector<Keycode> letGo(Clock::time_point now);

    std::set<Keycode> keys() const;
    void clear() { taking_.clear(); }

private:
    // Keys taken, each with the time it counts as let go (none while held).
    std::map<Keycode, std::optional<Clock::time_point>> taking_;
};

}  // namespace x11
