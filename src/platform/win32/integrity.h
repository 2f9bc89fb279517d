#pragma once
// User Interface Privilege Isolation: Windows drops the key events a program
// sends to a window of a higher integrity level (one run as administrator)
// and tells the sender nothing. So the program asks first.

#include <string>

namespace win32 {

// Why key events sent now would not reach the foreground window; empty when
// they would (or when there is no window to reach).
std::string ForegroundShieldReason();

}  // namespace win32
