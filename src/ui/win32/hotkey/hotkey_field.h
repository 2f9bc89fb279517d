#pragma once
// The hotkey control of one slot on Windows: an EDIT that captures the chord
// typed into it and shows it. What a key does, whether the chord is live and
// how it is kept are the core's ControlLogic; this only feeds it the key
// events and shows its text.

#include <windows.h>
#include <string>

#include "core/hotkey/control_logic.h"

namespace win32app {

class HotkeyField {
public:
    // Connected at once: its chord is kept in `store` under `hostName` ("Zorvane1").
    HotkeyField(HWND parent, UINT_PTR id, std::string hostName, const platform::Services& services,
                hotkey::ChordStore& store, hotkey::ControlLogic::Alert alert);
    ~HotkeyField();
    HotkeyField(const HotkeyField&) = delete;
    HotkeyField& operator=(const HotkeyField&) = delete;

    HWND hwnd() const { return edit_; }
    hotkey::ControlLogic& logic() { return logic_; }

    // Shows the chord's text with the caret at its end.
    void showChord();
    // Centres the text line in the field (after a change of size or font).
    void centreText();

private:
    static LRESULT CALLBACK subclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);
    void keyDown(int vk);

    hotkey::ControlLogic logic_;
    HWND edit_ = nullptr;
};

}  // namespace win32app
