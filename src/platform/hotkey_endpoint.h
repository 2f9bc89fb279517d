#pragma once
#include <functional>
#include <memory>

namespace platform {

// One control's system-wide hotkey: at most one chord registered at a time.
// Ending the endpoint releases its chord.
class HotkeyEndpoint {
public:
    virtual ~HotkeyEndpoint() = default;
    // False when the chord is taken by anyone, this program's other endpoints included.
    virtual bool registerChord(int modKeyCode, int keyCode) = 0;
    virtual void unregisterChord() = 0;
    // Modifiers (same mask as a chord's) that a playback of this program holds
    // down right now. The chord pressed by the user meanwhile comes with them
    // added, and still counts as the chord. 0 when no playback holds any.
    virtual void setHeldModifiers(int modKeyCode) { (void)modKeyCode; }
    // This program is pressing keys right now: a press of the chord's key is
    // its own, not the user's, and goes to the focused window.
    virtual void setInjecting(bool injecting) { (void)injecting; }

    // Called each time the registered chord is pressed, key repeat included.
    std::function<void()> onPressed;
};

class HotkeyService {
public:
    virtual ~HotkeyService() = default;
    // Nothing when the window system cannot give one.
    virtual std::unique_ptr<HotkeyEndpoint> createEndpoint() = 0;
};

}  // namespace platform
