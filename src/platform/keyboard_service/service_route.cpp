#include "platform/keyboard_service/service_route.h"

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "core/diag/diag.h"
#include "platform/keyboard_service/service_services.h"
#include "platform/wlroots/xkb_keys.h"

namespace keyservice {

namespace {

std::string SocketPath() {
    const char* given = std::getenv("ZORVANE_KEYBOARD_SERVICE");
    return given && *given ? given : kDefaultSocket;
}

// The X server's keymap, through xkbcommon; nothing without a display.
xkb_keymap* XKeymap(xkb_context* context) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    xkb_keymap* keymap = nullptr;
    if (!xcb_connection_has_error(c) &&
        xkb_x11_setup_xkb_extension(c, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                    XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr)) {
        const std::int32_t device = xkb_x11_get_core_keyboard_device_id(c);
        if (device >= 0) keymap = xkb_x11_keymap_new_from_device(context, c, device, XKB_KEYMAP_COMPILE_NO_FLAGS);
    }
    xcb_disconnect(c);
    return keymap;
}

EvdevKeys SessionKeys(std::string* origin) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context) return {};
    xkb_keymap* keymap = XKeymap(context);
    *origin = "the X server's keymap";
    if (!keymap) {
        keymap = xkb_keymap_new_from_names(context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS);
        *origin = "xkbcommon's default keymap (no X display)";
    }
    EvdevKeys keys;
    if (keymap) {
        const wlroots::XkbKeys xkb(keymap);
        keys = EvdevKeys(wlroots::CoreKeymapOf(keymap), xkb.layout());
        xkb_keymap_unref(keymap);
    }
    xkb_context_unref(context);
    return keys;
}

// Hits are read on the program's own thread, as soon as they come.
class WatchedHotkeys : public ServiceHotkeyService {
public:
    WatchedHotkeys(std::shared_ptr<Shared> shared, const std::shared_ptr<ServiceLink>& link)
        : ServiceHotkeyService(std::move(shared)), notifier_(link->fd(), QSocketNotifier::Read) {
        std::weak_ptr<ServiceLink> weak = link;
        QObject::connect(&notifier_, &QSocketNotifier::activated, [weak] {
            if (const auto l = weak.lock()) l->readHits();
        });
        link->onHitsKept = [weak] {
            QTimer::singleShot(0, [weak] {
                if (const auto l = weak.lock()) l->readHits();
            });
        };
        link->onGone = [this](const std::string& why) {
            notifier_.setEnabled(false);
            diag::Notify(diag::Cause::ServiceGone, "keyboard route: the keyboard service is gone (" + why + ")");
        };
    }
    ~WatchedHotkeys() override { notifier_.setEnabled(false); }

private:
    QSocketNotifier notifier_;
};

}  // namespace

bool Present() { return std::filesystem::exists(SocketPath()); }

Expected<platform::OwnedServices> OpenServices() {
    const std::string path = SocketPath();
    if (!std::filesystem::exists(path)) return Result::failure("the keyboard service is not running (no " + path + ")");
    auto link = ServiceLink::connect(path);
    if (!link) return Result::failure(link.why());
    std::string origin;
    EvdevKeys keys = SessionKeys(&origin);
    if (keys.maskCode() == 0) return Result::failure("no keymap to find keys in (" + origin + ")");
    diag::Report("keyboard service: keys found in " + origin);
    const auto shared = std::make_shared<Shared>(Shared{*link, std::move(keys)});
    return ServicesOver(shared, std::make_unique<WatchedHotkeys>(shared, *link));
}

}  // namespace keyservice
