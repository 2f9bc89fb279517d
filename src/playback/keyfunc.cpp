#include "playback/keyfunc.h"

#include <memory>

#include "playback/clsWaitableTimer.h"

namespace keyfunc {

void Delay(double milliSeconds) {
    static const auto waiter = std::make_unique<clsWaitableTimer>();
    waiter->Wait(milliSeconds);
}

}  // namespace keyfunc
