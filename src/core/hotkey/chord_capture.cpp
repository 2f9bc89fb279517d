#include "core/hotkey/chord_capture.h"

#include "core/hotkey/key_display_name.h"

namespace hotkey {

ShiftState ShiftStateOf(int vk, bool press, ShiftState before) {
    const ShiftState own = vk == vk::Shift     ? kShiftBit
                           : vk == vk::Control ? kCtrlBit
                           : vk == vk::Menu    ? kAltBit
                                               : ShiftState{};
    return press ? (before | own) : before.without(own);
}

void ChordCapture::keyDown(int vk, ShiftState shift) {
    if (vk == vk::LWin) winKeyDown_ = true;

    std::string text;
    mod::Mask mask;
    if (winKeyDown_) {
        text = "Win + ";
        mask |= mod::Mask::Win;
    }
    if (shift & kCtrlBit) {
        text += "Ctrl + ";
        mask |= mod::Mask::Control;
    }
    if (shift & kAltBit) {
        text += "Alt + ";
        mask |= mod::Mask::Alt;
    }
    if (shift & kShiftBit) {
        text += "Shift + ";
        mask |= mod::Mask::Shift;
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
        modKeyCode_ = {};
    }
}

void ChordCapture::reset() {
    text_ = kPromptText;
    keyCode_ = 0;
    modKeyCode_ = {};
}

void ChordCapture::load(const std::string& text, int keyCode, mod::Mask modKeyCode) {
    text_ = text;
    keyCode_ = keyCode;
    modKeyCode_ = modKeyCode;
}

}  // namespace hotkey
