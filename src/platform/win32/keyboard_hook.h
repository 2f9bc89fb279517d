#pragma once
// The process's one WH_KEYBOARD_LL hook. It is installed on the thread that
// first acquires it, which must pump messages (the UI thread: the program's
// event loop and every hold pump), and stays while anyone holds a reference.
// Its procedure only updates HeldKeys and posts messages, so it never keeps
// the system's keyboard waiting. When the session comes back (unlocked, or
// connected again) the hook is installed anew and the keys held forgotten.

#include <windows.h>

#include "platform/win32/held_keys.h"

namespace win32::keyboard_hook {

// Posted to a taker (a window) when the user's repeat of its held chord was taken.
inline constexpr UINT kTakenRepeatMessage = WM_APP + 1;
// Posted to a taker when the user pressed its chord with modifiers that a
// playback had let go of, and the hook took the press for it.
inline constexpr UINT kLetGoPressMessage = WM_APP + 3;

// False when the system refuses the hook.
bool acquire();
void release();
bool installed();

// The hook's state; takers are windows, which receive the messages above.
HeldKeys& keys();

// The hidden window that hears of session changes (WM_WTSSESSION_CHANGE)
// while the hook is installed.
HWND sessionWindow();

}  // namespace win32::keyboard_hook
