#include "hotkey/control_logic.h"

namespace hotkey {

void ControlLogic::attach(std::unique_ptr<platform::HotkeyEndpoint> endpoint) {
    detach();
    endpoint_ = std::move(endpoint);
    if (endpoint_)
        endpoint_->onPressed = [this] {
            if (onHotKeyPressed) onHotKeyPressed();
        };
}

void ControlLogic::detach() {
    // Ending the endpoint releases its chord.
    endpoint_.reset();
    enabled_ = false;
}

void ControlLogic::setHotKeyEnabled(bool v) {
    if (v == enabled_) return;
    if (!v) {
        if (endpoint_) endpoint_->unregisterChord();
        enabled_ = false;
        return;
    }
    if (capture_.keyCode() == 0) {
        alert_(kErrorTitle, kNotSetMessage);
        return;
    }
    if (endpoint_ && endpoint_->registerChord(capture_.modKeyCode(), capture_.keyCode())) {
        enabled_ = true;
        return;
    }
    alert_(kErrorTitle, kTakenMessage);
    capture_.reset();
}

bool ControlLogic::keyDown(int vk, int shift) {
    capture_.keyDown(vk, shift);
    if (!enabled_) return false;
    setHotKeyEnabled(false);
    return true;
}

}  // namespace hotkey
