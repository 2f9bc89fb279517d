#include "hotkey/control_logic.h"

#include <cstdio>

namespace hotkey {

void ControlLogic::attach(std::unique_ptr<platform::HotkeyEndpoint> endpoint) {
    detach();
    endpoint_ = std::move(endpoint);
    if (!endpoint_) return;
    endpoint_->onPressed = [this] {
        if (onHotKeyPressed) onHotKeyPressed();
    };
    // The system took the chord away (its key left the keyboard layout): off,
    // as when the chord is refused.
    endpoint_->onLost = [this](const std::string&) {
        if (!enabled_) return;
        enabled_ = false;
        alert_(kErrorTitle, kTakenMessage);
        capture_.reset();
        if (onTurnedOff) onTurnedOff();
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
    std::string why = endpoint_ ? std::string() : "no hotkey service";
    if (endpoint_ && endpoint_->registerChord(capture_.modKeyCode(), capture_.keyCode(), &why)) {
        enabled_ = true;
        return;
    }
    // The user hears of every refusal as a taken chord; the log says more.
    if (!why.empty()) std::fprintf(stderr, "zorvane-change-hotkey: the chord could not be registered: %s\n", why.c_str());
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
