#include "platform/linux/session.h"

#include <cstdlib>

namespace desktop {

Session Session::FromEnvironment() {
    auto get = [](const char* name) {
        const char* v = std::getenv(name);
        return std::string(v ? v : "");
    };
    return {get("WAYLAND_DISPLAY"), get("XDG_SESSION_TYPE"), get("DISPLAY")};
}

}  // namespace desktop
