#include "platform/services.h"

#include <xcb/xcb.h>
#include <cstdlib>
#include <cstring>

#include "platform/x11/x11_hotkey_endpoint.h"
#include "platform/x11/x11_key_injector.h"
#include "platform/x11/x11_key_namer.h"
#include "platform/x11/x11_keyboard_state.h"

namespace platform {

OwnedServices CreateServices() {
    std::string error;
    auto session = x11::Session::open(nullptr, &error);
    if (!session) return {.unavailable = "Global hotkeys need an X11 session (" + error + ")."};
    return {.injector = std::make_unique<x11::X11KeyInjector>(session),
            .hotkeys = std::make_unique<x11::X11HotkeyService>(session),
            .keyboard = std::make_unique<x11::X11KeyboardState>(session),
            .keyNamer = std::make_unique<x11::X11KeyNamer>(session)};
}

std::string NoDesktopReason() {
    // Another platform of the toolkit's (offscreen, in tests) needs no display.
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    if (chosen && *chosen && std::strncmp(chosen, "xcb", 3) != 0) return {};
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const bool opened = !xcb_connection_has_error(c);
    xcb_disconnect(c);
    if (opened) return {};
    const char* display = std::getenv("DISPLAY");
    return std::string("this program needs an X11 session (or a Wayland session with XWayland), and ") +
           (display && *display ? "the X display \"" + std::string(display) + "\" cannot be opened"
                                : "no X display is set (DISPLAY is empty)");
}

}  // namespace platform
