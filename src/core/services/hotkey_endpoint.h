#pragma once
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "core/keys/virtual_keys.h"

namespace platform {

// Why the system took a registered chord away.
enum class Loss {
    KeyGone,  // its key is not on the new keyboard layout
    Taken,    // another program, or the desktop's own bindings, holds it now
};

// What asking for a chord came to: granted, taken (by anyone, this program's
// other endpoints included), or refused for another reason, which `why` gives.
class [[nodiscard]] Claim {
public:
    enum Outcome { Granted, Taken, Refused };
    static Claim granted() { return Claim(Granted, {}); }
    static Claim taken() { return Claim(Taken, {}); }
    static Claim refused(std::string why) { return Claim(Refused, std::move(why)); }

    Outcome outcome() const { return outcome_; }
    explicit operator bool() const { return outcome_ == Granted; }
    const std::string& why() const { return why_; }

private:
    Claim(Outcome outcome, std::string why) : outcome_(outcome), why_(std::move(why)) {}
    Outcome outcome_;
    std::string why_;
};

// One control's system-wide hotkey: at most one chord registered at a time.
// Ending the endpoint releases its chord.
class HotkeyEndpoint {
public:
    virtual ~HotkeyEndpoint() = default;
    // Asks for the chord; the one held before is let go of first.
    virtual Claim registerChord(mod::Mask modKeyCode, int keyCode) = 0;
    virtual void unregisterChord() = 0;

    // Called each time the registered chord is pressed, key repeat included:
    // `repeat` tells a key repeat (the chord's key held since its last press)
    // from a press of the user's.
    std::function<void(bool repeat)> onPressed;
    // Called when the system takes the registered chord away, with the
    // reason and a line for the log; the endpoint holds no chord afterwards.
    std::function<void(Loss reason, const std::string& why)> onLost;
};

class HotkeyService {
public:
    virtual ~HotkeyService() = default;
    // Nothing when the window system cannot give one.
    virtual std::unique_ptr<HotkeyEndpoint> createEndpoint() = 0;
    // Modifiers (chord masks) that playbacks of this program hold down right
    // now, and that they have let go of though the user may hold them. A chord
    // pressed by the user meanwhile comes with the first added and without the
    // second, and still counts as the chord. Both empty when no playback runs.
    virtual void setHeldModifiers(mod::Mask held, mod::Mask letGo) {
        (void)held;
        (void)letGo;
    }
};

}  // namespace platform
