#include "platform/services.h"

namespace platform {

// A build for a desktop that gives programs no global hotkeys (a Wayland
// session, say): the program runs and keeps its settings, and says why a
// trigger cannot be switched on.
OwnedServices CreateServices() {
    return {.unavailable = "Global hotkeys need an X11 session; this build of the program has none."};
}

// The toolkit chooses and reports its own display.
std::string NoDesktopReason() { return {}; }

}  // namespace platform
