#include "platform/services.h"

namespace platform {

// A build for a desktop that gives programs no global hotkeys (a Wayland
// session, say): the program runs and keeps its settings, and says why a
// trigger cannot be switched on.
Services CreateServices() {
    Services services;
    services.unavailable = "Global hotkeys need an X11 session; this build of the program has none.";
    return services;
}

// The toolkit chooses and reports its own display.
std::string NoDesktopReason() { return {}; }

}  // namespace platform
