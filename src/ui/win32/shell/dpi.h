#pragma once
// The windows are laid out in pixels at 96 dots per inch and scaled to the
// monitor they are on (the program is per-monitor DPI aware).

#include <windows.h>

#include "core/view/layout.h"

namespace win32app {

inline constexpr int kBaseDpi = 96;

// The window's DPI; the system's where the system cannot say per window.
int DpiOf(HWND hwnd);

inline int Scaled(int px, int dpi) { return MulDiv(px, dpi, kBaseDpi); }
inline RECT Scaled(RECT r, int dpi) {
    return {Scaled(r.left, dpi), Scaled(r.top, dpi), Scaled(r.right, dpi), Scaled(r.bottom, dpi)};
}
// x, y, width, height at 96 DPI, as the layouts give them.
inline RECT Box(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }
inline RECT Box(view::Box b) { return Box(b.x, b.y, b.w, b.h); }

// On WM_DPICHANGED: the window goes where the system suggests (its lParam);
// the caller then lays it out for the new DPI, size included.
inline void MoveToSuggested(HWND hwnd, LPARAM suggestedRect) {
    const auto* r = reinterpret_cast<const RECT*>(suggestedRect);
    SetWindowPos(hwnd, nullptr, r->left, r->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace win32app
