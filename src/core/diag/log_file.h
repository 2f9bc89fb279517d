#pragma once
// The program's log: a small text file beside set.ini that keeps every
// reported reason with its time, for a user (or someone helping one) to read
// after the fact. A Windows program has no standard error, so this is the
// only place its reasons survive.
//
// Capped: once a line would take the file past its limit, the file becomes
// "<name>.old" (replacing the one before) and a new file starts. Nothing here
// ever fails loudly: a log that cannot be written is simply not written.

#include <cstddef>
#include <string>
#include <string_view>

namespace diag {

class LogFile {
public:
    static constexpr std::size_t kDefaultLimit = 256 * 1024;

    // `path` in UTF-8.
    explicit LogFile(std::string path, std::size_t limit = kDefaultLimit);

    // Appends "<stamp> <line>\n"; `stamp` is the caller's (see TimeStamp).
    void append(std::string_view stamp, std::string_view line);

    const std::string& path() const { return path_; }
    std::string oldPath() const { return path_ + ".old"; }

private:
    std::string path_;
    std::size_t limit_;
};

// The local time now as "2026-12-08 13:40:02".
std::string TimeStamp();

// The log's file name, kept beside the settings file.
inline constexpr const char* kLogFileName = "zorvane-change-hotkey.log";

}  // namespace diag
