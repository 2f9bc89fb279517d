#pragma once
// What the route does, step by step, on the standard error when
// ZORVANE_TRACE asks for it (for the test bed and for a user's bug report);
// never in the log.

#include <cstdio>
#include <string>

#include "core/diag/trace_switch.h"

namespace wlroots {

inline void Trace(const std::string& what) {
    static const bool on = diag::TraceAsked();
    if (on) std::fprintf(stderr, "zorvane-change-hotkey: trace: %s\n", what.c_str());
}

}  // namespace wlroots
