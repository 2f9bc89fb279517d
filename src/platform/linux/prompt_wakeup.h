#pragma once
// A trigger's press wakes the program's thread that reads it. On a busy
// machine, the scheduler (EEVDF, Linux 6.6 and later) lets whatever runs
// finish its time slice first, up to a few milliseconds, before the woken
// thread runs. A thread that asks for a short slice (Linux 6.12 and later
// let any process ask) is run at once instead; it uses no more processor
// time for it. Older kernels take the request and change nothing.
#include <string>

namespace platform {

// Asks a short slice for the calling thread. Empty when it was granted,
// otherwise why not.
std::string AskPromptWakeups();

}  // namespace platform
