#pragma once
// What the window system gives the program, lent to the parts that use it:
// the slot table, the main window and its hotkey controls. Whoever made the
// services keeps them alive; any of them may be missing.

#include <string>

#include "core/services/hotkey_endpoint.h"
#include "core/services/key_injector.h"
#include "core/services/key_namer.h"
#include "core/services/keyboard_state.h"

namespace platform {

// Each member has an initialiser, so that one filled by name may leave any out.
struct Services {
    KeyInjector* injector = nullptr;    // nothing: triggers play nothing
    HotkeyService* hotkeys = nullptr;   // nothing: no trigger can be live
    KeyboardState* keyboard = nullptr;  // nothing: targets play as the keys stand
    KeyNamer* keyNamer = nullptr;       // nothing: keys are named by their code's usual name
    // Why global hotkeys do not work here, for the user; empty when they do.
    std::string unavailable = {};
    // Why triggers here reach only some of the windows (a Wayland desktop
    // served through Xwayland reaches X11 windows alone), for the log; the
    // user is told once, when the first trigger goes live. Empty when they reach all.
    std::string limitedReach = {};
};

}  // namespace platform
