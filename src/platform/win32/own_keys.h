#pragma once
// The program's hotkeys, as its own key presses meet them. The system hands
// an injected press of a registered chord to the hotkey, not to the focused
// window; so a target that is another slot's trigger would fire that trigger
// instead of reaching the application. Around each of the program's own
// sends, the chords on the keys it presses are let go of and taken again.

#include <cstdint>
#include <functional>
#include <vector>

#include "core/keys/virtual_keys.h"

namespace win32 {

class OwnKeys {
public:
    // A registered chord, as far as this needs it.
    class Chord {
    public:
        virtual ~Chord() = default;
        virtual int chordKey() const = 0;  // 0 when none is registered
        // Lets go of the chord at the system, keeping it; then takes it again.
        virtual void suspend() = 0;
        virtual void resume() = 0;
        // The modifiers a playback holds, which a press of the chord may come with.
        virtual void heldModifiersChanged(mod::Mask modKeyCode) = 0;
    };

    void add(Chord* chord) { chords_.push_back(chord); }
    void remove(Chord* chord);

    // Runs `send`, which presses the keys `pressed` (among others), with every
    // chord on those keys let go of meanwhile.
    void send(const std::vector<std::uint8_t>& pressed, const std::function<void()>& send);

    // Modifiers the program's playbacks hold down right now.
    void setHeldModifiers(mod::Mask modKeyCode);
    mod::Mask heldModifiers() const { return held_; }

    // Whether a press of `sent` counts as a press of a chord on `chordKey`:
    // the system reports Shift, Ctrl and Alt of either side as the generic key.
    static bool SameKey(int chordKey, int sent);

private:
    std::vector<Chord*> chords_;
    mod::Mask held_;
};

}  // namespace win32
