#include "platform/x11/x11_hotkey_endpoint.h"

namespace x11 {

platform::Claim X11HotkeyEndpoint::registerChord(mod::Mask modKeyCode, int keyCode) {
    return router_->claim(
        this, modKeyCode, keyCode,
        [this](bool repeat) {
            if (onPressed) onPressed(repeat);
        },
        [this](platform::Loss reason, const std::string& why) {
            router_->release(this);
            if (onLost) onLost(reason, why);
        });
}

}  // namespace x11
