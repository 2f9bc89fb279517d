#include "core/hotkey/control_logic.h"

#include "core/diag/diag.h"

#include "core/hotkey/stored_chord.h"

namespace hotkey {

void ControlLogic::attach(std::unique_ptr<platform::HotkeyEndpoint> endpoint) {
    detach();
    endpoint_ = std::move(endpoint);
    if (!endpoint_) return;
    endpoint_->onPressed = [this] {
        if (onHotKeyPressed) onHotKeyPressed();
    };
    // The system took the chord away (its key left the keyboard layout): off,
    // as when the chord is refused.
    endpoint_->onLost = [this](const std::string&) {
        if (!enabled_) return;
        enabled_ = false;
        alert_(kErrorTitle, kTakenMessage);
        capture_.reset();
        if (onTurnedOff) onTurnedOff();
        reportChordChange();
    };
}

void ControlLogic::detach() {
    // Ending the endpoint releases its chord.
    endpoint_.reset();
    enabled_ = false;
}

void ControlLogic::setHotKeyEnabled(bool v) {
    if (v == enabled_) return;
    if (!v) {
        if (endpoint_) endpoint_->unregisterChord();
        enabled_ = false;
        return;
    }
    if (capture_.keyCode() == 0) {
        alert_(kErrorTitle, kNotSetMessage);
        return;
    }
    if (!endpoint_) {
        // Not the chord's fault: it is kept for a session that has hotkeys.
        alert_(kErrorTitle, unavailable_);
        return;
    }
    const platform::Claim claim = endpoint_->registerChord(capture_.modKeyCode(), capture_.keyCode());
    if (claim) {
        enabled_ = true;
        return;
    }
    // The user hears of every refusal as a taken chord; the log says more.
    if (claim.outcome() == platform::Claim::Refused) diag::Report("the chord could not be registered: " + claim.why());
    alert_(kErrorTitle, kTakenMessage);
    capture_.reset();
    reportChordChange();
}

ControlLogic::KeyResult ControlLogic::keyDown(int vk, ShiftState shift) {
    if (vk == 0 || ChordCapture::isDropped(vk)) return KeyResult::Dropped;
    capture_.keyDown(vk, shift);
    reportChordChange();
    if (!enabled_) return KeyResult::Captured;
    setHotKeyEnabled(false);
    return KeyResult::TurnedOff;
}

void ControlLogic::keyUp(int vk) {
    capture_.keyUp(vk);
    reportChordChange();
}

void ControlLogic::reportChordChange() {
    const Chord now{capture_.text(), capture_.keyCode(), capture_.modKeyCode()};
    const bool halfTyped = now.keyCode == 0 && now.modKeyCode;
    if (halfTyped || now == reported_) return;
    reported_ = now;
    if (onChordChanged) onChordChanged();
}

void ControlLogic::readStoredChord(ChordStore& store, const std::string& hostName) {
    const std::string text = store.read(hostName + "Text", kPromptText);
    const std::string key = store.read(hostName + "KeyCode", "0");
    const std::string mods = store.read(hostName + "ModKeyCode", "0");
    const StoredChord chord = ParseStoredChord(text, key, mods);
    capture_.load(chord.text, chord.keyCode, chord.modKeyCode);
    reported_ = {chord.text, chord.keyCode, chord.modKeyCode};
}

WriteResult ControlLogic::saveSettings(ChordStore& store, const std::string& hostName) const {
    const std::pair<const char*, std::string> values[] = {
        {"Text", capture_.text()},
        {"KeyCode", std::to_string(capture_.keyCode())},
        {"ModKeyCode", std::to_string(capture_.modKeyCode().bits())},
    };
    for (const auto& [suffix, value] : values)
        if (WriteResult r = store.write(hostName + suffix, value); !r) return r;
    return WriteResult::success();
}

}  // namespace hotkey
