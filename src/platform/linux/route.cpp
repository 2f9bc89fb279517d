// Which route serves triggers and targets on Linux, chosen at each start:
//   - the keyboard service, wherever it runs (X11 and every Wayland
//     desktop): it sits below the compositor and reaches every window;
//   - an X11 session: X11;
//   - a Wayland session whose compositor offers sway's IPC and virtual
//     keyboards (sway, and wlroots compositors like it): its own route,
//     which reaches every window;
//   - any other Wayland session: X11 through Xwayland, which reaches X11
//     windows only; the user is told once, when a trigger goes live;
//   - none of these: the program runs and keeps its settings, and says why
//     no trigger can go live.
// The log says which route and why.

#include <QLibraryInfo>
#include <cstdlib>
#include <filesystem>

#include "core/diag/diag.h"
#include "core/view/texts.h"
#include "platform/keyboard_service/service_route.h"
#include "platform/linux/prompt_wakeup.h"
#include "platform/linux/session.h"
#include "platform/services.h"
#include "platform/wlroots/wlroots_services.h"
#include "platform/x11/x11_services.h"

namespace platform {

OwnedServices CreateServices() {
    // Triggers are read on this thread.
    if (const std::string why = AskPromptWakeups(); !why.empty())
        diag::Report("a trigger may wait for the processor on a busy machine: a short time slice was refused (" + why +
                     ")");
    std::string serviceWhy;
    if (keyservice::Present()) {
        Expected<OwnedServices> service = keyservice::OpenServices();
        if (service) {
            diag::Report("keyboard route: the keyboard service (below the compositor, every window)");
            return std::move(*service);
        }
        serviceWhy = service.why();
        diag::Report("the keyboard service runs but cannot serve this program: " + serviceWhy);
    }
    const desktop::Session session = desktop::Session::FromEnvironment();
    std::string nativeWhy;
    if (session.wayland()) {
        Expected<OwnedServices> native = wlroots::OpenServices();
        if (native) {
            diag::Report("keyboard route: sway's IPC and a virtual keyboard of the program's own (Wayland, wlroots)");
            return std::move(*native);
        }
        nativeWhy = native.why();
    }
    Expected<OwnedServices> x = x11::OpenServices();
    if (x && !session.wayland()) {
        diag::Report("keyboard route: X11");
        return std::move(*x);
    }
    if (x) {
        x->limitedReach =
            "on this Wayland desktop triggers go through Xwayland and work only while an X11 window "
            "is in front (it has no route of its own: " +
            nativeWhy + "); an X11 session, or sway, makes them work in every window";
        diag::Report("keyboard route: X11 through Xwayland; " + x->limitedReach);
        return std::move(*x);
    }
    OwnedServices none;
    none.unavailable = session.wayland() ? std::string(texts::kNoWaylandRouteMessage) + "\n(" + nativeWhy +
                                               "; no X display for Xwayland: " + x.why() + ")"
                                         : "Global hotkeys need an X11 session (" + x.why() + ").";
    diag::Report("keyboard route: none; " + none.unavailable);
    return none;
}

std::string NoDesktopReason() {
    // Another platform of the toolkit's (offscreen, in tests; wayland, by choice) is taken as it is.
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    const bool xcbChosen = chosen && *chosen && std::string(chosen).rfind("xcb", 0) == 0;
    if (chosen && *chosen && !xcbChosen) return {};
    // The window goes where the tray is known to work: X11 (an XEmbed tray
    // or a StatusNotifier host) wherever there is a display, Xwayland's included.
    if (x11::DisplayOpens()) {
        if (!xcbChosen) setenv("QT_QPA_PLATFORM", "xcb", 1);
        return {};
    }
    const desktop::Session session = desktop::Session::FromEnvironment();
    const bool waylandPlugin = std::filesystem::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString() +
                                                       "/platforms/libqwayland-generic.so");
    if (!xcbChosen && !session.waylandDisplay.empty() && waylandPlugin) {
        setenv("QT_QPA_PLATFORM", "wayland", 1);
        return {};
    }
    if (!session.waylandDisplay.empty() && !xcbChosen)
        return "this Wayland session has no X display, and Qt's Wayland support is not installed (package "
               "qt6-wayland)";
    return std::string("this program needs an X11 session (or a Wayland session with XWayland), and ") +
           (session.display.empty() ? "no X display is set (DISPLAY is empty)"
                                    : "the X display \"" + session.display + "\" cannot be opened");
}

}  // namespace platform
