#pragma once

namespace keyfunc {

// Waits the given milliseconds while the program goes on handling its events,
// through the one program-wide waiter.
void Delay(double milliSeconds);

}  // namespace keyfunc
