#pragma once
// What kind of desktop session the program runs in, from the environment the
// session gives its programs.

#include <string>

namespace desktop {

struct Session {
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    std::string sessionType;     // XDG_SESSION_TYPE
    std::string display;         // DISPLAY

    static Session FromEnvironment();
    // A Wayland session: the compositor's socket is named, or the login
    // manager says so (a program started before the compositor set its socket).
    bool wayland() const { return !waylandDisplay.empty() || sessionType == "wayland"; }
};

}  // namespace desktop
