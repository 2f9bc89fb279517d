#include "core/diag/diag.h"

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "core/diag/log_file.h"

namespace diag {
namespace {

struct State {
    std::mutex mutex;
    std::function<void(std::string_view)> sink;
    std::function<void(Cause)> noticeSink;
    NoticeGate gate;
};

State& state() {
    static State s;
    return s;
}

}  // namespace

void Report(std::string_view line) {
    const std::string text = "zorvane-change-hotkey: " + std::string(line) + "\n";
    std::fputs(text.c_str(), stderr);
    std::function<void(std::string_view)> sink;
    {
        std::lock_guard lock(state().mutex);
        sink = state().sink;
    }
    if (sink) sink(line);
}

void SetSink(std::function<void(std::string_view)> s) {
    std::lock_guard lock(state().mutex);
    state().sink = std::move(s);
}

void LogBeside(const std::string& settingsFile) {
    const std::size_t slash = settingsFile.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? std::string() : settingsFile.substr(0, slash + 1);
    auto log = std::make_shared<LogFile>(folder + kLogFileName);
    SetSink([log](std::string_view line) { log->append(TimeStamp(), line); });
}

void Notify(Cause cause, std::string_view line) {
    Report(line);
    std::function<void(Cause)> sink;
    {
        std::lock_guard lock(state().mutex);
        if (!state().gate.pass(cause, NoticeGate::Clock::now())) return;
        sink = state().noticeSink;
    }
    if (sink) sink(cause);
}

void SetNoticeSink(std::function<void(Cause)> s) {
    std::lock_guard lock(state().mutex);
    state().noticeSink = std::move(s);
}

void ResetNotices() {
    std::lock_guard lock(state().mutex);
    state().gate = NoticeGate();
}

bool NoticeGate::pass(Cause cause, Clock::time_point now) {
    const auto it = last_.find(cause);
    if (it != last_.end() && now - it->second < kQuiet) return false;
    last_[cause] = now;
    return true;
}

}  // namespace diag
