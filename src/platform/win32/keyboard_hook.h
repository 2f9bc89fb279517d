#pragma once
// The process's one WH_KEYBOARD_LL hook, on a thread of its own that only
// pumps messages, so that nothing the program does (a save, a message box, a
// web page opened) can keep it waiting past LowLevelHooksTimeout, after which
// Windows removes a hook without a word. Its procedure only updates HeldKeys,
// sends what HeldKeys asks for (a chord's mask tap, releases held back) and
// posts messages; it never touches a file. It stays while anyone holds a
// reference. When the session comes back (unlocked, or connected again), or
// the hook turns out to have been removed (see keyboard_hook.cpp's watch), the
// hook is installed anew and its record checked against the system.

#include <windows.h>

#include <mutex>

#include "platform/win32/held_keys.h"

namespace win32::keyboard_hook {

// False when the system refuses the hook. Call on the program's thread: the
// hook's reports reach the log through it.
bool acquire();
void release();
bool installed();

// The hook's state, locked while the returned object lives (the hook's
// thread writes it). Takers are windows, which hear of their chords as
// appmsg::kTakenRepeat and appmsg::kLetGoPress (platform/win32/app_messages.h).
class LockedKeys {
public:
    LockedKeys(std::mutex& mutex, HeldKeys& keys) : lock_(mutex), keys_(keys) {}
    HeldKeys* operator->() { return &keys_; }

private:
    std::unique_lock<std::mutex> lock_;
    HeldKeys& keys_;
};
LockedKeys keys();

// A playback's hold on the releases of `keys` (HeldKeys::holdReleases); the
// releases no hold covers any more go out. Returns the keys that stay down
// until the program lets go of them.
platform::KeySet holdReleases(const platform::KeySet& keys);

// Returns once the hook has handled every key event the system gave it before.
void sync();

// Keys down as applications see them (GetAsyncKeyState), by sided code.
platform::KeySet KeysDownForApplications();

// The hidden window, on the hook's thread, that hears of session changes
// (WM_WTSSESSION_CHANGE) and of the keyboard (raw input) while the hook is installed.
HWND sessionWindow();

// How often the hook was found removed and installed again; and, for tests,
// removes it as Windows would, or holds the watch that finds it so.
int reinstalls();
void removeForTest();
void watchForTest(bool on);

}  // namespace win32::keyboard_hook
