#include "hotkey/chord_capture.h"

#include "hotkey/key_display_name.h"

namespace hotkey {

int ShiftStateOf(int vk, bool press, int shiftBefore) {
    const int own = vk == kVkShift ? kShiftBit : vk == kVkCtrl ? kCtrlBit : vk == kVkAlt ? kAltBit : 0;
    return press ? (shiftBefore | own) : (shiftBefore & ~own);
}

void ChordCapture::keyDown(int vk, int shift) {
    if (vk == kVkLeftWin) winKeyDown_ = true;

    std::string text;
    int mask = 0;
    if (winKeyDown_) {
        text = "Win + ";
        mask = kModWin;
    }
    if (shift & kCtrlBit) {
        text += "Ctrl + ";
        mask += kModCtrl;
    }
    if (shift & kAltBit) {
        text += "Alt + ";
        mask += kModAlt;
    }
    if (shift & kShiftBit) {
        text += "Shift + ";
        mask += kModShift;
    }
    modKeyCode_ = mask;

    if (vk == kVkShift || vk == kVkCtrl || vk == kVkAlt || vk == kVkLeftWin) {
        keyCode_ = 0;  // only modifiers so far: the chord is still open
    } else {
        text += namer_ ? namer_(vk) : KeyDisplayName(vk);
        keyCode_ = vk;
    }
    text_ = text;
}

void ChordCapture::keyUp(int vk) {
    if (vk == kVkLeftWin) winKeyDown_ = false;
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
