#pragma once
// What the window system gives the program. Each backend (platform/x11,
// platform/win32, platform/none) has one factory; the build picks the backend.

#include <memory>
#include <string>

#include "core/services/services.h"

namespace platform {

// The backend's services, owned: kept for as long as anything uses them.
struct OwnedServices {
    // Each member has an initialiser, so that a factory names only what it has.
    std::unique_ptr<KeyInjector> injector = nullptr;
    std::unique_ptr<HotkeyService> hotkeys = nullptr;
    std::unique_ptr<KeyboardState> keyboard = nullptr;
    std::unique_ptr<KeyNamer> keyNamer = nullptr;
    std::string unavailable = {};
    std::string limitedReach = {};

    // The same services, lent.
    Services services() const {
        return {.injector = injector.get(),
                .hotkeys = hotkeys.get(),
                .keyboard = keyboard.get(),
                .keyNamer = keyNamer.get(),
                .unavailable = unavailable,
                .limitedReach = limitedReach};
    }
};

OwnedServices CreateServices();

// Why the program's windows cannot be shown here, asked before the toolkit
// starts (which would abort with a misleading message); empty when they can.
// Where there are several window systems, it also tells the toolkit which to use.
std::string NoDesktopReason();

}  // namespace platform
