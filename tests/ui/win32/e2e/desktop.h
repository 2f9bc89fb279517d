#pragma once
// The built Windows program on a virtual X desktop (window manager, tray
// host), driven as a person would: xdotool for the mouse and keyboard, import
// for screenshots. Windows of the program are found and read from this
// process, as Wine lets any process do.

#include <windows.h>
#include <functional>
#include <optional>
#include <string>

#include "support/child_process.h"

namespace e2e {

inline constexpr const wchar_t* kMainClass = L"ZorvaneChangeHotkeyMain";
inline constexpr const wchar_t* kEditorClass = L"ZorvaneChangeHotkeyEditor";

// The program copied into a folder of its own (with its own set.ini) and started there.
class Program {
public:
    // Copies the program into `folder` (created if needed).
    explicit Program(const std::wstring& folder);
    bool start();
    // Waits for its main window to be shown; its handle, or nothing.
    HWND waitForMainWindow(int timeoutMs = 10000);
    // True when it ended within the time.
    bool waitForExit(int timeoutMs = 10000) { return process_.waitPumping(timeoutMs); }
    DWORD exitCode() const { return process_.exitCode(); }
    std::string ini(const std::string& section, const std::string& key) const;
    const std::wstring& folder() const { return folder_; }

private:
    std::wstring folder_, exe_;
    wintest::ChildProcess process_;
};

// A top-level window of this class, shown; nothing when there is none.
HWND VisibleWindow(const wchar_t* className);
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// A click of the button at a point of a window's client area (or the screen with no window).
bool ClickAt(HWND window, int x, int y, int button = 1);
// The text of a control of another process.
std::wstring TextOf(HWND control);

// A picture of the whole screen, kept under the build folder's screenshots/.
bool Screenshot(const std::string& name);
// The colour of a pixel of a screenshot, as "r,g,b".
std::string PixelAt(const std::string& name, int x, int y);

// The program's icon in the tray host, in screen coordinates.
std::optional<RECT> TrayIcon();
// A point of the icon that a click reaches: where X and Wine agree the icon is.
std::optional<POINT> TrayIconClickPoint(const RECT& icon);
// The icon's window and its parents as Wine has them, for a failure's message.
std::string TrayIconAncestry();

}  // namespace e2e
