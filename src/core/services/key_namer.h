#pragma once
#include <cstdint>
#include <string>

namespace platform {

// The user's keyboard layout, as far as chords need it: what a key is called
// and which virtual-key code a key of the window system's own numbering is.
class KeyNamer {
public:
    virtual ~KeyNamer() = default;
    // The name a key is shown by in a chord's text ("A", "F5", "Left", "ß");
    // empty when the layout has no such key.
    virtual std::string name(int vk) = 0;
    // The virtual-key code of a key the window system reports by its own code
    // (an X keycode); 0 when it has none. Systems whose key events carry
    // virtual-key codes already need not answer.
    virtual int virtualKey(std::uint32_t nativeCode) {
        (void)nativeCode;
        return 0;
    }
};

}  // namespace platform
