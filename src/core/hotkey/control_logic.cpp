#include "core/hotkey/control_logic.h"

#include "core/diag/diag.h"
#include "core/hotkey/stored_chord.h"
#include "core/view/texts.h"

namespace hotkey {

ControlLogic::ControlLogic(Alert alert, const platform::Services& services)
    : alert_(std::move(alert)),
      hotkeys_(services.hotkeys),
      unavailable_(services.unavailable.empty() ? texts::kNoHotkeysMessage : services.unavailable) {
    if (platform::KeyNamer* namer = services.keyNamer) capture_.setNamer([namer](int vk) { return namer->name(vk); });
}

void ControlLogic::connect(ChordStore* store, std::string hostName) {
    store_ = store;
    hostName_ = std::move(hostName);
    if (hotkeys_) attach(hotkeys_->createEndpoint());
}

void ControlLogic::attach(std::unique_ptr<platform::HotkeyEndpoint> endpoint) {
    detach();
    endpoint_ = std::move(endpoint);
    if (!endpoint_) return;
    endpoint_->onPressed = [this](bool repeat) {
        if (onHotKeyPressed) onHotKeyPressed();
        // Last, and from a copy: the slot's playback runs the event loop for its hold.
        if (const auto slot = onSlotPressed) slot(repeat);
    };
    // The system took the chord away while the user was elsewhere: off, and a
    // notice rather than a modal box over their application. The chord stays
    // in the field and in set.ini, to be ticked again once it is free.
    endpoint_->onLost = [this](platform::Loss reason, const std::string& why) {
        if (!enabled_) return;
        enabled_ = false;
        const bool taken = reason == platform::Loss::Taken;
        diag::Notify(taken ? diag::Cause::ChordTaken : diag::Cause::ChordLost,
                     std::string("a chord was turned off, ") + (taken ? "taken by another program" : "its key gone") +
                         ": " + why);
        turnedOff();
    };
}

void ControlLogic::detach() {
    // Ending the endpoint releases its chord.
    endpoint_.reset();
    enabled_ = false;
}

void ControlLogic::setHotKeyEnabled(bool v) {
    changeEnabled(v);
    show();  // a refused chord falls back to the prompt
}

void ControlLogic::changeEnabled(bool v) {
    if (v == enabled_) return;
    if (!v) {
        if (endpoint_) endpoint_->unregisterChord();
        enabled_ = false;
        return;
    }
    if (capture_.keyCode() == 0) {
        alert_(texts::kErrorTitle, texts::kNotSetMessage);
        return;
    }
    if (!endpoint_) {
        // Not the chord's fault: it is kept for a session that has hotkeys.
        diag::Report("a trigger cannot be switched on: " + unavailable_);
        alert_(texts::kErrorTitle, unavailable_);
        return;
    }
    const platform::Claim claim = endpoint_->registerChord(capture_.modKeyCode(), capture_.keyCode());
    if (claim) {
        enabled_ = true;
        return;
    }
    // The user hears of every refusal as a taken chord; the log says more.
    if (claim.outcome() == platform::Claim::Refused) diag::Report("the chord could not be registered: " + claim.why());
    alert_(texts::kErrorTitle, texts::kTakenMessage);
    capture_.reset();
    reportChordChange();
}

ControlLogic::KeyResult ControlLogic::keyDown(int vk, ShiftState shift) {
    if (vk == 0 || ChordCapture::isDropped(vk)) return KeyResult::Dropped;
    capture_.keyDown(vk, shift);
    reportChordChange();
    const bool wasLive = enabled_;
    changeEnabled(false);
    show();
    if (!wasLive) return KeyResult::Captured;
    turnedOff();
    return KeyResult::TurnedOff;
}

ControlLogic::KeyResult ControlLogic::chordPressed(mod::Mask modKeyCode, int vk) {
    ShiftState shift;
    if (modKeyCode & mod::Mask::Control) shift |= kCtrlBit;
    if (modKeyCode & mod::Mask::Alt) shift |= kAltBit;
    if (modKeyCode & mod::Mask::Shift) shift |= kShiftBit;
    // The Windows key's press reaches the field on its own; when it did not
    // (the field took the focus with it held), the chord still says it.
    if ((modKeyCode & mod::Mask::Win) && !capture_.winKeyDown()) capture_.keyDown(vk::LWin, shift);
    return keyDown(vk, shift);
}

void ControlLogic::keyUp(int vk) {
    if (ChordCapture::isDropped(vk)) return;
    capture_.keyUp(vk);
    reportChordChange();
    show();
}

void ControlLogic::show() {
    if (onShow) onShow();
}

void ControlLogic::turnedOff() {
    if (onTurnedOff) onTurnedOff();
    if (onSlotTurnedOff) onSlotTurnedOff();
}

void ControlLogic::reportChordChange() {
    const Chord now{capture_.text(), capture_.keyCode(), capture_.modKeyCode()};
    const bool halfTyped = now.keyCode == 0 && now.modKeyCode;
    if (halfTyped || now == reported_) return;
    reported_ = now;
    if (onChordChanged) onChordChanged();
}

void ControlLogic::readStoredChord() {
    if (store_) {
        const std::string text = store_->read(hostName_ + "Text", kPromptText);
        const std::string key = store_->read(hostName_ + "KeyCode", "0");
        const std::string mods = store_->read(hostName_ + "ModKeyCode", "0");
        StoredChord chord = ParseStoredChord(text, key, mods);
        // A chord without a text of its own (none stored, or the prompt) would
        // look like no chord, yet fire once ticked: it shows what it is.
        if (chord.keyCode != 0 && (chord.text.empty() || chord.text == kPromptText)) {
            chord.text = capture_.textOf(chord.modKeyCode, chord.keyCode);
            diag::Report(hostName_ + "'s chord has no text of its own in the settings; it is shown as " + chord.text);
        }
        capture_.load(chord.text, chord.keyCode, chord.modKeyCode);
        reported_ = {chord.text, chord.keyCode, chord.modKeyCode};
    }
    show();
}

Result ControlLogic::saveSettings() const {
    if (!store_) return Result::success();
    const std::pair<const char*, std::string> values[] = {
        {"Text", capture_.text()},
        {"KeyCode", std::to_string(capture_.keyCode())},
        {"ModKeyCode", std::to_string(capture_.modKeyCode().bits())},
    };
    for (const auto& [suffix, value] : values)
        if (Result r = store_->write(hostName_ + suffix, value); !r) return r;
    return Result::success();
}

}  // namespace hotkey
