#pragma once

#include <memory>

#include "ui/playback/clsWaitableTimer.h"

namespace keyfunc {

// Waits the given milliseconds while the program goes on handling its events,
// through the one program-wide waiter. Each front end supplies the waiter
// (clsWaitableTimer) for its own event loop.
inline void Delay(double milliSeconds) {
    static const auto waiter = std::make_unique<clsWaitableTimer>();
    waiter->Wait(milliSeconds);
}

}  // namespace keyfunc
