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

    mod::Mask mask;
    if (winKeyDown_) mask |= mod::Mask::Win;
    if (shift & kCtrlBit) mask |= mod::Mask::Control;
    if (shift & kAltBit) mask |= mod::Mask::Alt;
    if (shift & kShiftBit) mask |= mod::Mask::Shift;
    modKeyCode_ = mask;
    // Only modifiers so far: the chord is still open.
    const bool modifier = vk == vk::Shift || vk == vk::Control || vk == vk::Menu || vk == vk::LWin;
    keyCode_ = modifier ? 0 : vk;
    text_ = textOf(mask, keyCode_);
}

std::string ChordCapture::textOf(mod::Mask modKeyCode, int keyCode) const {
    std::string text;
    if (modKeyCode & mod::Mask::Win) text += "Win + ";
    if (modKeyCode & mod::Mask::Control) text += "Ctrl + ";
    if (modKeyCode & mod::Mask::Alt) text += "Alt + ";
    if (modKeyCode & mod::Mask::Shift) text += "Shift + ";
    if (keyCode != 0) text += namer_ ? namer_(keyCode) : KeyDisplayName(keyCode);
    return text;
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
