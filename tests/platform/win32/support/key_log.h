#pragma once
// A listener window that logs the key messages it receives, with the
// modifiers the application sees at that moment (GetKeyState), as lines that
// another process can read back.

#include <windows.h>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/keys/virtual_keys.h"

namespace wintest {

struct KeyMessage {
    char kind = 0;      // 'D' key down, 'U' key up, 'C' character
    unsigned code = 0;  // virtual-key code, or the character
    unsigned lParam = 0;
    mod::Mask mods;     // Alt, Ctrl, Shift, Win down for the application
    bool sys = false;   // WM_SYSKEYDOWN, WM_SYSKEYUP, WM_SYSCHAR
    double ms = 0;      // NowMs() when handled
    unsigned time = 0;  // the message's own time (GetMessageTime): when the key event was made, in ms

    bool extended() const { return (lParam >> 24) & 1; }
    unsigned scanCode() const { return (lParam >> 16) & 0xFF; }
    std::string line() const;
    static std::optional<KeyMessage> parse(const std::string& line);
};

std::string Describe(const std::vector<KeyMessage>& messages);
std::vector<KeyMessage> ReadKeyLog(const std::wstring& path);

class KeyLogWindow {
public:
    // A visible top-level window with the given title.
    explicit KeyLogWindow(const std::wstring& title);
    ~KeyLogWindow();
    KeyLogWindow(const KeyLogWindow&) = delete;
    KeyLogWindow& operator=(const KeyLogWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    // Makes it the foreground window with the keyboard focus; false when the system refuses.
    bool activate();

    const std::vector<KeyMessage>& messages() const { return messages_; }
    void clear() { messages_.clear(); }
    std::function<void(const KeyMessage&)> onMessage;

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
    std::vector<KeyMessage> messages_;
};

}  // namespace wintest
