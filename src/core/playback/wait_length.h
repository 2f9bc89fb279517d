#pragma once
// How long a hold lasts: checked and bounded once, for every waiter.

namespace keyfunc {

// The longest hold, about 31 years: a longer one lasts that long, so that no
// waiter's time computation overflows.
inline constexpr double kLongestWaitMs = 1e12;

// The hold's length in milliseconds, at most kLongestWaitMs. Throws
// ProgramError (number 5, its description starting "[clsWaitableTimer.Wait]")
// when the length is not a finite, non-negative number.
double CheckedWaitMs(double milliSeconds);

}  // namespace keyfunc
