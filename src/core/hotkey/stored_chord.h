#pragma once
#include <string>

namespace hotkey {

struct StoredChord {
    std::string text;
    int keyCode = 0;
    int modKeyCode = 0;
};

// A chord as read from storage. A hand-edited key code or modifier mask that
// is empty, not a decimal integer or out of range makes it no chord (the
// prompt text, 0, 0) rather than stopping the program; mask bits other than
// Alt, Ctrl, Shift and Win are dropped.
StoredChord ParseStoredChord(const std::string& text, const std::string& keyCode, const std::string& modKeyCode);

}  // namespace hotkey
