#pragma once
#include <windows.h>
#include <memory>

#include "core/services/hotkey_endpoint.h"
#include "platform/win32/own_keys.h"

namespace win32 {

// One control's hotkey: a hidden window of the system dialog class whose
// procedure is replaced by a dispatch procedure. The window properties
// "Object" (this endpoint) and "WinProc" (the dialog procedure, which gets
// every other message) hold the dispatch data. The chord is RegisterHotKey
// id 1 on that window, so the system refuses a chord that another program or
// another endpoint holds.
//
// From a press of the chord until the user lets go of its key, the process's
// keyboard hook takes the key's repeats: the focused window never sees them,
// and each one whose modifiers still match counts as a press of the chord.
// While a playback has let go of modifiers the user holds, the hook also
// takes a press of the chord's key with the chord's modifiers held by the
// user, which the system would no longer see as the chord.
class Win32HotkeyEndpoint : public platform::HotkeyEndpoint, private OwnKeys::Chord {
public:
    // Nothing when the window cannot be created. With `ownKeys`, the
    // program's own key presses never fire this chord, and the chord also
    // fires with the modifiers a playback holds added.
    static std::unique_ptr<Win32HotkeyEndpoint> create(std::shared_ptr<OwnKeys> ownKeys = nullptr);
    ~Win32HotkeyEndpoint() override;

    platform::Claim registerChord(mod::Mask modKeyCode, int keyCode) override;
    void unregisterChord() override;

    HWND window() const { return hwnd_; }

    static constexpr int kChordId = 1;
    // The chord with the modifiers a playback holds added.
    static constexpr int kChordWithHeldId = 2;

private:
    Win32HotkeyEndpoint(HWND hwnd, WNDPROC kept, std::shared_ptr<OwnKeys> ownKeys);
    static LRESULT CALLBACK dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void pressed(bool takeTheKey);
    void lost();
    bool registerIds();
    void unregisterIds();
    bool registered() const { return keyCode_ != 0; }
    void forgetChord();

    // OwnKeys::Chord
    int chordKey() const override { return keyCode_; }
    void suspend() override;
    void resume() override;
    void heldModifiersChanged(mod::Mask modKeyCode) override;

    HWND hwnd_;
    WNDPROC kept_;
    std::shared_ptr<OwnKeys> ownKeys_;
    mod::Mask modKeyCode_;
    int keyCode_ = 0;
    mod::Mask heldExtra_;
    bool suspended_ = false;  // the program is pressing the chord's key: off meanwhile
    bool hooked_ = false;     // holds a reference to the keyboard hook
};

class Win32HotkeyService : public platform::HotkeyService {
public:
    explicit Win32HotkeyService(std::shared_ptr<OwnKeys> ownKeys) : ownKeys_(std::move(ownKeys)) {}
    std::unique_ptr<platform::HotkeyEndpoint> createEndpoint() override {
        return Win32HotkeyEndpoint::create(ownKeys_);
    }
    void setHeldModifiers(mod::Mask held, mod::Mask letGo) override;

private:
    std::shared_ptr<OwnKeys> ownKeys_;
};

}  // namespace win32
