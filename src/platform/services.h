#pragma once
// What the window system gives the program. Each backend (platform/x11,
// platform/win32, platform/none) has one factory; the build picks the backend.

#include <memory>
#include <string>

#include "core/services/hotkey_endpoint.h"
#include "core/services/key_injector.h"
#include "core/services/key_namer.h"
#include "core/services/keyboard_state.h"

namespace platform {

struct Services {
    std::unique_ptr<KeyInjector> injector;   // nothing: triggers play nothing
    std::unique_ptr<HotkeyService> hotkeys;  // nothing: no trigger can be live
    std::unique_ptr<KeyboardState> keyboard; // nothing: targets play as the keys stand
    std::unique_ptr<KeyNamer> keyNamer;      // nothing: keys are named by their code's usual name
    // Why global hotkeys do not work here, for the user; empty when they do.
    std::string unavailable;
};

Services CreateServices();

// Why the program's windows cannot be shown here, asked before the toolkit
// starts (which would abort with a misleading message); empty when they can.
std::string NoDesktopReason();

}  // namespace platform
