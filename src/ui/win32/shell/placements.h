#pragma once
// Where a window's controls sit, in pixels at 96 DPI, and their placing at
// the window's DPI.

#include <windows.h>
#include <vector>

#include "ui/win32/shell/dpi.h"

namespace win32app {

class Placements {
public:
    // Remembers the control's 96-DPI rectangle (relative to its parent) and returns the control.
    HWND add(HWND control, RECT at96) {
        items_.push_back({control, at96});
        return control;
    }
    // Moves and sizes every control for the DPI.
    void apply(int dpi) const {
        for (const Item& item : items_) {
            const RECT r = Scaled(item.at96, dpi);
            SetWindowPos(item.control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }

private:
    struct Item {
        HWND control;
        RECT at96;
    };
    std::vector<Item> items_;
};

}  // namespace win32app
