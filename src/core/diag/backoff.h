#pragma once
// Waits between tries at what the system refuses while it is still starting
// (at logon): soon at first, then no more often than a bound, however long
// it takes.

#include <algorithm>

namespace diag {

// After `failures` failed tries (1 for the first): `firstMs`, doubling each
// time, never more than `longestMs`.
constexpr unsigned BackoffMs(int failures, unsigned firstMs, unsigned longestMs) {
    unsigned ms = firstMs;
    for (int i = 1; i < failures && ms < longestMs; ++i) ms *= 2;
    return std::min(ms, longestMs);
}

}  // namespace diag
