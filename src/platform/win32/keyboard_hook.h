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

// False when the system refuses the hook.
bool acquire();
void release();
bool installed();

// The hook's state. Takers are windows, which hear of their chords as
// appmsg::kTakenRepeat and appmsg::kLetGoPress (platform/win32/app_messages.h).
HeldKeys& keys();

// The hidden window that hears of session changes (WM_WTSSESSION_CHANGE)
// while the hook is installed.
HWND sessionWindow();

}  // namespace win32::keyboard_hook
