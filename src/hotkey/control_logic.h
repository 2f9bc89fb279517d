#pragma once
// What the hotkey control does, apart from its widget: the captured chord,
// whether it is live as a system hotkey, and the messages shown when it cannot be.

#include <functional>
#include <memory>
#include <string>

#include "hotkey/chord_capture.h"
#include "platform/hotkey_endpoint.h"

namespace hotkey {

inline constexpr const char* kErrorTitle = "error";
inline constexpr const char* kNotSetMessage = "Not set hotkey";
inline constexpr const char* kTakenMessage = "Hotkey already exists, please change a hotkey.";

class ControlLogic {
public:
    // Shows a modal message with the stop icon and one OK button.
    using Alert = std::function<void(const std::string& title, const std::string& text)>;

    explicit ControlLogic(Alert alert) : alert_(std::move(alert)) {}
    void setAlert(Alert alert) { alert_ = std::move(alert); }

    // The control's own endpoint, given in run mode. Raises `onHotKeyPressed`
    // each time the system reports the chord.
    void attach(std::unique_ptr<platform::HotkeyEndpoint> endpoint);
    void detach();
    platform::HotkeyEndpoint* endpoint() const { return endpoint_.get(); }

    bool hotKeyEnabled() const { return enabled_; }
    void setHotKeyEnabled(bool New_HotKeyEnabled);

    // A key went down in the field (the context-menu key already dropped).
    // True when it turned a live chord off: the new chord is never live.
    bool keyDown(int vk, int shift);
    void keyUp(int vk) { capture_.keyUp(vk); }
    void focusLost() { capture_.focusLost(); }

    ChordCapture& capture() { return capture_; }
    const ChordCapture& capture() const { return capture_; }

    std::function<void()> onHotKeyPressed;
    // The chord was turned off from outside (the system took it away).
    std::function<void()> onTurnedOff;

private:
    Alert alert_;
    ChordCapture capture_;
    std::unique_ptr<platform::HotkeyEndpoint> endpoint_;
    bool enabled_ = false;
};

}  // namespace hotkey
