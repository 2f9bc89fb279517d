#include "platform/wlroots/wlroots_services.h"

#include <cstdlib>

#include "platform/wlroots/sway_hotkeys.h"
#include "platform/wlroots/virtual_key_injector.h"

namespace wlroots {

Expected<platform::OwnedServices> OpenServices() {
    const char* socket = std::getenv("SWAYSOCK");
    if (!socket || !*socket) return Result::failure("no sway IPC (SWAYSOCK is not set)");
    auto commands = SwayIpc::connect(socket);
    if (!commands) return Result::failure(commands.why());
    auto events = SwayIpc::connect(socket);
    if (!events) return Result::failure(events.why());
    const Expected<std::string> subscribed = (*events)->request(ipc::Subscribe, R"(["binding","workspace"])");
    if (!subscribed || subscribed->find("true") == std::string::npos)
        return Result::failure("sway refused to report its bindings (" + (subscribed ? *subscribed : subscribed.why()) +
                               ")");
    auto keyboard = WaylandKeyboard::open();
    if (!keyboard) return Result::failure(keyboard.why());
    auto bindings = std::make_shared<SwayBindings>(std::move(*commands), *keyboard, BindingRecord::ForSway(socket),
                                                   ConfigFolderOf(socket));
    return platform::OwnedServices{
        .injector = std::make_unique<VirtualKeyInjector>(*keyboard, bindings),
        .hotkeys = std::make_unique<SwayHotkeyService>(bindings, std::move(*events)),
        .keyNamer = std::make_unique<XkbKeyNamer>(*keyboard),
    };
}

}  // namespace wlroots
