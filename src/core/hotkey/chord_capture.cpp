#include "core/hotkey/chord_capture.h"

#include "core/hotkey/key_display_name.h"

namespace hotkey {

int ShiftStateOf(int vk, bool press, int shiftBefore) {
    const int own = vk == vk::Shift ? kShiftBit : vk == vk::Control ? kCtrlBit : vk == vk::Menu ? kAltBit : 0;
    return press ? (shiftBefore | own) : (shiftBefore & ~own);
}

void ChordCapture::keyDown(int vk, int shift) {
    if (vk == vk::LWin) winKeyDown_ = true;

    std::string text;
    int mask = 0;
    if (winKeyDown_) {
        text = "Win + ";
        mask = mod::Win;
    }
    if (shift & kCtrlBit) {
        text += "Ctrl + ";
        mask += mod::Control;
    }
    if (shift & kAltBit) {
        text += "Alt + ";
        mask += mod::Alt;
    }
    if (shift & kShiftBit) {
        text += "Shift + ";
        mask += mod::Shift;
    }
    modKeyCode_ = mask;

    if (vk == vk::Shift || vk == vk::Control || vk == vk::Menu || vk == vk::LWin) {
        keyCode_ = 0;  // only modifiers so far: the chord is still open
    } else {
        text += namer_ ? namer_(vk) : KeyDisplayName(vk);
        keyCode_ = vk;
    }
    text_ = text;
}

void ChordCapture::keyUp(int vk) {
    if (vk == vk::LWin) winKeyDown_ = false;
    if (keyCode_ == 0) {
        text_ = kPromptText;
        modKeyCode_ = 0;
    }
}

void ChordCapture::reset() {
    text_ = kPromptText;
    keyCode_ = 0;
    modKeyCode_ = 0;
}

void ChordCapture::load(const std::string& text, int keyCode, int modKeyCode) {
    text_ = text;
    keyCode_ = keyCode;
    modKeyCode_ = modKeyCode;
}

}  // namespace hotkey
