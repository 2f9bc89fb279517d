#pragma once
// The one way the program says what went wrong. Every reason goes through
// Report: to the standard error, prefixed with the program's name, and to the
// front end's sink when it has one (a Windows program has no standard error).

#include <functional>
#include <string_view>

namespace diag {

// One line, without the program's name or a line end.
void Report(std::string_view line);

// Also hands every reported line to `sink`; an empty function takes it away.
void SetSink(std::function<void(std::string_view line)> sink);

}  // namespace diag
