#pragma once
#include <functional>
#include <memory>
#include <string>

namespace platform {

// One control's system-wide hotkey: at most one chord registered at a time.
// Ending the endpoint releases its chord.
class HotkeyEndpoint {
public:
    virtual ~HotkeyEndpoint() = default;
    // False when the chord cannot be had. When the reason is anything but the
    // chord being taken (by anyone, this program's other endpoints included),
    // `why` says what it is, for the log.
    virtual bool registerChord(int modKeyCode, int keyCode, std::string* why = nullptr) = 0;
    virtual void unregisterChord() = 0;

    // Called each time the registered chord is pressed, key repeat included.
    std::function<void()> onPressed;
    // Called when the system takes the registered chord away (its key is gone
    // from a new keyboard layout); the endpoint holds no chord afterwards.
    std::function<void(const std::string& why)> onLost;
};

class HotkeyService {
public:
    virtual ~HotkeyService() = default;
    // Nothing when the window system cannot give one.
    virtual std::unique_ptr<HotkeyEndpoint> createEndpoint() = 0;
    // Modifiers (a chord's mask) that a playback of this program holds down
    // right now. A chord pressed by the user meanwhile comes with them added,
    // and still counts as the chord. 0 when no playback holds any.
    virtual void setHeldModifiers(int modKeyCode) { (void)modKeyCode; }
};

}  // namespace platform
