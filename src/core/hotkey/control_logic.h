#pragma once
// What the hotkey control does, apart from its widget: the captured chord,
// whether it is live as a system hotkey, the messages shown when it cannot be,
// and keeping the chord between runs. Each front end's control draws the
// field when told (onShow) and forwards its key events here.

#include <functional>
#include <memory>
#include <string>

#include "core/diag/result.h"
#include "core/hotkey/chord_capture.h"
#include "core/hotkey/chord_store.h"
#include "core/services/hotkey_endpoint.h"
#include "core/services/services.h"

namespace hotkey {

class ControlLogic {
public:
    // Shows a modal message with the stop icon and one OK button.
    using Alert = std::function<void(const std::string& title, const std::string& text)>;

    // The services name the keys of a chord's text (their key namer) and give
    // the control its endpoint when it connects (their hotkey service);
    // without a hotkey service, enabling says why there is none.
    explicit ControlLogic(Alert alert, const platform::Services& services = {});
    void setAlert(Alert alert) { alert_ = std::move(alert); }

    // Run mode: the control takes its own endpoint from the hotkey service,
    // and keeps its chord in `store` (none: nowhere) under keys named after
    // the control, `hostName` ("Zorvane1").
    void connect(ChordStore* store, std::string hostName);
    // Ends the endpoint, which releases the chord.
    void detach();
    // The control's own endpoint, once connected. Raises `onHotKeyPressed`
    // and `onSlotPressed` each time the system reports the chord.
    platform::HotkeyEndpoint* endpoint() const { return endpoint_.get(); }

    bool hotKeyEnabled() const { return enabled_; }
    void setHotKeyEnabled(bool New_HotKeyEnabled);

    enum class KeyResult {
        Dropped,    // the context-menu key, or a key with no code: nothing changes
        Captured,   // the chord and its text are rebuilt
        TurnedOff,  // captured, and the live chord was turned off by it
    };
    // A key went down in the field, with its shift state as ShiftStateOf gives it.
    KeyResult keyDown(int vk, ShiftState shift);
    void keyUp(int vk);
    // While the field has the focus it captures: a live trigger pressed then
    // belongs to the field (see chordPressed), not to its slot's playback.
    void focusGained() { capturing_ = true; }
    void focusLost() {
        capturing_ = false;
        capture_.focusLost();
    }
    bool capturing() const { return capturing_; }
    // A whole chord reached the field at once: a live trigger, whose press the
    // system hands to its slot rather than to the focused field. The field
    // records it as if typed, modifiers and key.
    KeyResult chordPressed(mod::Mask modKeyCode, int vk);

    // The chord kept where connect() said: Text, KeyCode and ModKeyCode, read
    // in that order. A stored value that is no chord gives no chord rather
    // than stopping the program; a chord stored without its text, or with the
    // prompt for one, is shown by its keys.
    void readStoredChord();
    // Writes the three values in the same order; stops at the first that fails.
    Result saveSettings() const;

    ChordCapture& capture() { return capture_; }
    const ChordCapture& capture() const { return capture_; }

    // The chord's text may have changed: the field shows it again, the caret at its end.
    std::function<void()> onShow;
    // The control's own events, for its front end: the chord was pressed, and
    // the live chord went off by itself (a key typed into the field turned it
    // off, or the system took it away).
    std::function<void()> onHotKeyPressed;
    std::function<void()> onTurnedOff;
    // The same two for the slot the control belongs to, set by the slot table
    // alone, so that neither it nor a front end replaces the other's hook.
    // `repeat`: the press is a key repeat of the chord, held since.
    std::function<void(bool repeat)> onSlotPressed;
    std::function<void()> onSlotTurnedOff;
    // The chord or its text is no longer what was read or last reported, and
    // no chord is half typed (modifiers down, no key yet): the host keeps it at
    // once, so that nothing that ends the program can lose it.
    std::function<void()> onChordChanged;

private:
    void attach(std::unique_ptr<platform::HotkeyEndpoint> endpoint);
    void changeEnabled(bool on);
    void show();
    void turnedOff();
    void reportChordChange();

    Alert alert_;
    ChordCapture capture_;
    platform::HotkeyService* hotkeys_;
    std::unique_ptr<platform::HotkeyEndpoint> endpoint_;
    std::string unavailable_;
    ChordStore* store_ = nullptr;
    std::string hostName_;
    bool enabled_ = false;
    bool capturing_ = false;
    struct Chord {
        std::string text;
        int keyCode = 0;
        mod::Mask modKeyCode{};
        bool operator==(const Chord&) const = default;
    } reported_{kPromptText};
};

}  // namespace hotkey
