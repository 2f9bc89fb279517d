#include "ui/win32/shell/dpi.h"

namespace win32app {

int DpiOf(HWND hwnd) {
    // Windows 10 and later; older systems have one DPI for every monitor.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && hwnd) {
        if (const UINT dpi = getDpiForWindow(hwnd)) return static_cast<int>(dpi);
    }
    HDC dc = GetDC(nullptr);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : kBaseDpi;
    if (dc) ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : kBaseDpi;
}

}  // namespace win32app
