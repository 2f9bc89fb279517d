#include "core/playback/wait_length.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/playback/program_error.h"

namespace keyfunc {

double CheckedWaitMs(double milliSeconds) {
    constexpr int kInvalidArgument = 5;
    if (!std::isfinite(milliSeconds) || milliSeconds < 0)
        throw ProgramError(kInvalidArgument, "clsWaitableTimer",
                           std::string("[clsWaitableTimer.Wait]") + "Invalid procedure call or argument: " +
                               std::to_string(milliSeconds) + " is not a number of milliseconds");
    return std::min(milliSeconds, kLongestWaitMs);
}

}  // namespace keyfunc
