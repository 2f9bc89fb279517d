#pragma once
// The hotkey control of one slot on Windows: an EDIT that captures the chord
// typed into it and shows it. What a key does, whether the chord is live and
// how it is kept are the core's ControlLogic; this only feeds it the key
// events and shows its text.

#include <functional>
#include <string>
#include <windows.h>

#include "core/hotkey/control_logic.h"
#include "core/settings/write_result.h"

namespace platform {
class HotkeyService;
class KeyNamer;
}  // namespace platform

namespace win32app {

class HotkeyField {
public:
    // `hostName` ("Zorvane1") keys the chord in set.ini. Without a hotkey
    // service the chord cannot be live and ticking says `unavailable`.
    HotkeyField(HWND parent, UINT_PTR id, std::string hostName, platform::HotkeyService* hotkeys,
                platform::KeyNamer* keyNamer, const std::string& unavailable, hotkey::ControlLogic::Alert alert);
    ~HotkeyField();
    HotkeyField(const HotkeyField&) = delete;
    HotkeyField& operator=(const HotkeyField&) = delete;

    HWND hwnd() const { return edit_; }
    hotkey::ControlLogic& logic() { return logic_; }

    // The chord kept in set.ini (section Zorvane); this also chooses the file.
    void readStoredChord();
    WriteResult saveSettings();
    // Shows the chord's text with the caret at its end.
    void showChord();
    // Centres the text line in the field (after a change of size or font).
    void centreText();

    // The registered chord was pressed.
    std::function<void()> onPressed;
    // The live chord went off by itself: a key typed into the field, or the system took it.
    std::function<void()> onTurnedOff;

private:
    static LRESULT CALLBACK subclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);
    void keyDown(int vk);
    void keyUp(int vk);

    std::string hostName_;
    hotkey::ControlLogic logic_;
    HWND edit_ = nullptr;
};

}  // namespace win32app
