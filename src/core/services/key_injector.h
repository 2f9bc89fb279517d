#pragma once
#include <cstdint>
#include <functional>

#include "core/diag/result.h"

namespace platform {

// Injects key events into the system's input stream as if typed: one key down
// or up of a Windows virtual-key code. The focused window receives them.
class KeyInjector {
public:
    virtual ~KeyInjector() = default;
    // False when the key cannot be typed here (nothing was sent).
    virtual bool keyDown(std::uint8_t vk) = 0;
    virtual void keyUp(std::uint8_t vk) = 0;
    // Brings down a key that the program believes is down already: no press
    // reaches applications while it is down, but one does if it came up
    // meanwhile (the user let go of it while the program was deciding).
    virtual void ensureDown(std::uint8_t vk) { keyDown(vk); }
    // A key event that nothing acts on, sent beside a modifier's release or
    // press so that the modifier does not count as tapped alone (which opens
    // menus and switches input methods).
    virtual void maskTap() {}
    // Key events between these two may be sent together, at the end; outside
    // them each goes out at once.
    virtual void beginBatch() {}
    virtual void endBatch() {}
    // Returns once the key events sent so far have reached the system, so
    // that a hold timed from here is as long where the keys arrive (X: the
    // server may handle a request well after it was sent).
    virtual void settle() {}
    // Whether key events sent now reach the focused window. Not when the
    // system shields that window from this program (Windows: one run as
    // administrator): the events would be dropped without a word.
    virtual Result reachesFocus() { return Result::success(); }
    // Called when another window comes forward, where the system says so:
    // keys that could not arrive before may arrive now.
    std::function<void()> onFocusChanged;
};

}  // namespace platform
