#pragma once
#include <string>

#include "core/keys/virtual_keys.h"

namespace hotkey {

struct StoredChord {
    std::string text;
    int keyCode = 0;
    mod::Mask modKeyCode{};
};

// A chord as read from storage. A hand-edited key code or modifier mask that
// is empty, not a decimal integer or out of range makes it no chord (the
// prompt text, 0, no modifiers) rather than stopping the program; mask bits
// other than Alt, Ctrl, Shift and Win are dropped.
StoredChord ParseStoredChord(const std::string& text, const std::string& keyCode, const std::string& modKeyCode);

}  // namespace hotkey
