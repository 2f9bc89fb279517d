#pragma once
// Whether ZORVANE_TRACE asks for the trace on the standard error: any value
// but an empty one or "0", so that ZORVANE_TRACE=0 turns it off as it reads.

#include <cstdlib>
#include <string_view>

namespace diag {

inline bool TraceAsked(const char* value) { return value && *value && std::string_view(value) != "0"; }
inline bool TraceAsked() { return TraceAsked(std::getenv("ZORVANE_TRACE")); }

}  // namespace diag
