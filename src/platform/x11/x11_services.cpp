#include "platform/x11/x11_services.h"

#include <xcb/xcb.h>

#include "platform/x11/x11_hotkey_endpoint.h"
#include "platform/x11/x11_key_injector.h"
#include "platform/x11/x11_key_namer.h"
#include "platform/x11/x11_keyboard_state.h"

namespace x11 {

Expected<platform::OwnedServices> OpenServices() {
    std::string error;
    auto session = Session::open(nullptr, &error);
    if (!session) return Result::failure(error);
    return platform::OwnedServices{.injector = std::make_unique<X11KeyInjector>(session),
                                   .hotkeys = std::make_unique<X11HotkeyService>(session),
                                   .keyboard = std::make_unique<X11KeyboardState>(session),
                                   .keyNamer = std::make_unique<X11KeyNamer>(session)};
}

bool DisplayOpens() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const bool opened = !xcb_connection_has_error(c);
    xcb_disconnect(c);
    return opened;
}

}  // namespace x11
