#pragma once
#include <windows.h>

namespace win32app {

// Moves a top-level window to the middle of its monitor's work area.
inline void CentreOnScreen(HWND hwnd) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &info)) return;
    RECT r;
    GetWindowRect(hwnd, &r);
    const RECT& area = info.rcWork;
    const int x = area.left + (area.right - area.left - (r.right - r.left)) / 2;
    const int y = area.top + (area.bottom - area.top - (r.bottom - r.top)) / 2;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace win32app
