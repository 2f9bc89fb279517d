#include "platform/services.h"

#include "platform/x11/x11_hotkey_endpoint.h"
#include "platform/x11/x11_key_injector.h"
#include "platform/x11/x11_key_namer.h"
#include "platform/x11/x11_keyboard_state.h"

namespace platform {

Services CreateServices() {
    Services services;
    std::string error;
    auto session = x11::Session::open(nullptr, &error);
    if (!session) {
        services.unavailable = "Global hotkeys need an X11 session (" + error + ").";
        return services;
    }
    services.injector = std::make_unique<x11::X11KeyInjector>(session);
    services.hotkeys = std::make_unique<x11::X11HotkeyService>(session);
    services.keyboard = std::make_unique<x11::X11KeyboardState>(session);
    services.keyNamer = std::make_unique<x11::X11KeyNamer>(session);
    return services;
}

}  // namespace platform
