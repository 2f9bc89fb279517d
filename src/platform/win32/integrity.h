#pragma once
// User Interface Privilege Isolation: Windows drops the key events a program
// sends to a window of a higher integrity level (one run as administrator)
// and tells the sender nothing. So the program asks first.

#include <windows.h>

#include <optional>
#include <string>

namespace win32 {

// Why key events sent now would not reach the foreground window; empty when
// they would (or when there is no window to reach).
std::string ForegroundShieldReason();

enum class Shield {
    Plays,        // their level is ours or lower
    Refused,      // their level is higher: Windows would drop the keys
    PlaysUnsure,  // a level could not be read: the keys go, and may be dropped
};
// What keys sent from a process at integrity level `mine` to one at `theirs`
// come to. Only a level measured higher refuses: OpenProcess is refused for
// more than elevation (another user's process at our level), and a batch
// Windows drops leaves nothing down.
Shield ShieldOf(std::optional<DWORD> theirs, std::optional<DWORD> mine);

}  // namespace win32
