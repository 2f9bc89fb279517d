#pragma once
// The one way the program says what went wrong. Every reason goes through
// Report: to the standard error, prefixed with the program's name, and to the
// log when one is kept (a Windows program has no standard error). What the
// user must act on goes through Notify, which also asks the front end for a
// notice, at most once a minute for each cause.

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace diag {

// One line, without the program's name or a line end.
void Report(std::string_view line);

// Also hands every reported line to `sink`; an empty function takes it away.
void SetSink(std::function<void(std::string_view line)> sink);

// Keeps every reported line, with its time, in the log beside the settings
// file `settingsFile` (a LogFile).
void LogBeside(const std::string& settingsFile);

// What the user must hear of even with no window open.
enum class Cause {
    TargetRefused,   // the focused window would not take the program's keys
    ChordLost,       // a chord was switched off: its key left the keyboard layout
    ChordTaken,      // a chord was switched off: another program took it
    SaveFailed,      // the settings could not be saved
    X11WindowsOnly,  // on this desktop a trigger works only while an X11 window is in front
    ServiceGone,     // the keyboard service that served the triggers ended
};

// Reports `line`, then asks the notice sink to tell the user of `cause`,
// unless it did so for the same cause less than a minute ago.
void Notify(Cause cause, std::string_view line);
void SetNoticeSink(std::function<void(Cause cause)> sink);
// Forgets when each cause was last noticed (a test's fresh start).
void ResetNotices();

// At most one notice per cause in any minute.
class NoticeGate {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kQuiet{60};
    bool pass(Cause cause, Clock::time_point now);

private:
    std::map<Cause, Clock::time_point> last_;
};

}  // namespace diag
