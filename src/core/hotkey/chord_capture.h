#pragma once
// Capturing a chord typed into the hotkey field, fed with Windows virtual-key
// codes and a shift state (bit 1 Shift, bit 2 Ctrl, bit 4 Alt), with no
// toolkit behind it. Every key-down rebuilds the chord and its text; the chord
// is complete once a non-modifier key has gone down.

#include <functional>
#include <string>

#include "core/keys/bit_flags.h"
#include "core/keys/virtual_keys.h"

namespace hotkey {

inline constexpr const char* kPromptText = "按下热键";

// The shift state of a key event (bit 1 Shift, bit 2 Ctrl, bit 4 Alt), as
// the field hears it. A chord's own mask (mod::Mask) orders its bits
// otherwise: the capture turns the one into the other.
class ShiftState : public keys::BitFlags<ShiftState> {
public:
    using BitFlags::BitFlags;
};
inline constexpr ShiftState kShiftBit{1}, kCtrlBit{2}, kAltBit{4};

// The shift state of a key event as it stands once the event has happened: a
// modifier counts as held in its own key-down and as let go in its own
// key-up, whatever the state said before.
ShiftState ShiftStateOf(int vk, bool press, ShiftState before);

class ChordCapture {
public:
    // How a key is named in the chord's text; the program's own names by default.
    using Namer = std::function<std::string(int vk)>;
    void setNamer(Namer namer) { namer_ = std::move(namer); }

    // The context-menu key changes nothing; nor does the key the program taps
    // beside a trigger to mask a modifier. The caller drops them before this.
    static bool isDropped(int code) { return code == vk::Apps || code == vk::Unassigned; }

    void keyDown(int vk, ShiftState shift);
    void keyUp(int vk);
    // A release of the left Windows key outside the field is never seen, so
    // the field forgets it when it loses the focus.
    void focusLost() { winKeyDown_ = false; }

    // Back to no chord: the prompt text, 0, no modifiers.
    void reset();
    // A chord read from storage.
    void load(const std::string& text, int keyCode, mod::Mask modKeyCode);
    // The text typing the chord would give it ("Ctrl + A"; "Ctrl + " for no key).
    std::string textOf(mod::Mask modKeyCode, int keyCode) const;

    const std::string& text() const { return text_; }
    int keyCode() const { return keyCode_; }
    mod::Mask modKeyCode() const { return modKeyCode_; }
    bool winKeyDown() const { return winKeyDown_; }

private:
    std::string text_ = kPromptText;
    int keyCode_ = 0;
    mod::Mask modKeyCode_;
    bool winKeyDown_ = false;
    Namer namer_;
};

}  // namespace hotkey
