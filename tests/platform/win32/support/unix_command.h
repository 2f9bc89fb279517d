#pragma once
// Unix programs run from a Wine test: xdotool as the user's keyboard and
// mouse (Wine takes its keys as hardware input, not flagged as injected, as
// from a keyboard), and tools such as import for screenshots.

#include <optional>
#include <string>

namespace wintest {

// Runs a shell command line (/bin/sh -c) while this thread's messages are
// dispatched: Wine reads the X display's events in the thread that owns the
// window. Its standard output, or nothing when it failed or did not end in time.
std::optional<std::string> RunUnix(const std::wstring& commandLine, int timeoutMs = 10000);

// Runs xdotool with the arguments (quote with single quotes). False when it failed.
bool Xdotool(const std::wstring& arguments, int timeoutMs = 10000);

// The Unix path of a Windows path on drive Z: (the Unix root).
std::wstring UnixPath(std::wstring path);

}  // namespace wintest
