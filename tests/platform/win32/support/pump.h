#pragma once
#include <functional>

namespace wintest {

// Milliseconds on the system's monotonic performance counter, which every
// Wine process shares: times taken in two processes compare.
double NowMs();

// Dispatches this thread's messages for the given time.
void PumpFor(int ms);
// Dispatches messages until `done` holds; false when the time ran out first.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs);

}  // namespace wintest
