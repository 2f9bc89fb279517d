#include "platform/x11/x11_hotkey_endpoint.h"

namespace x11 {

bool X11HotkeyEndpoint::registerChord(int modKeyCode, int keyCode, std::string* why) {
    const auto refusal = router_->claim(
        this, modKeyCode, keyCode,
        [this](bool repeat) {
            repeat_ = repeat;
            if (onPressed) onPressed();
        },
        [this](const std::string& reason) {
            router_->release(this);
            if (onLost) onLost(reason);
        });
    if (!refusal) return true;
    if (why) *why = *refusal;
    return false;
}

}  // namespace x11
