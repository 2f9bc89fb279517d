#pragma once
// A plain child window: a colour, an optional picture, and what a press or a
// click on it does. The title strips, the column header strip and the images
// are surfaces; labels on a surface take its colour as their background.

#include <functional>

#include "ui/win32/shell/window_base.h"

namespace win32app {

class Surface : public WindowBase {
public:
    struct Look {
        COLORREF back = RGB(255, 255, 255);
        COLORREF text = RGB(0, 0, 0);  // of the labels on it
        // Draws over the colour; given the client rectangle and the DPI.
        std::function<void(HDC, RECT, int dpi)> picture;
    };
    Surface(HWND parent, RECT at, Look look);
    ~Surface() override;

    // The left button went down on it (the title strips start a move here).
    std::function<void()> onPress;
    // The left button went down and came up over it.
    std::function<void()> onClick;

protected:
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void paint();
    Look look_;
    HBRUSH brush_;
    bool pressed_ = false;
};

}  // namespace win32app
