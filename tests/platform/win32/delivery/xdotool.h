#pragma once
// The user's keyboard for Wine: xdotool types on the X display, and Wine takes
// those keys as hardware input (not flagged as injected), as from a keyboard.

#include <string>

namespace wintest {

// Runs xdotool with the arguments (quote with single quotes) while this
// thread's messages are dispatched: Wine reads the X display's events in the
// thread that owns the window. False when it failed or did not end in time.
bool Xdotool(const std::wstring& arguments, int timeoutMs = 10000);

}  // namespace wintest
