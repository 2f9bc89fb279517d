#include "ui/win32/shell/surface.h"

#include "ui/win32/shell/dpi.h"

namespace win32app {

namespace {
constexpr const wchar_t* kClass = L"ZorvaneSurface";
}

Surface::Surface(HWND parent, RECT at, Look look) : look_(std::move(look)), brush_(CreateSolidBrush(look_.back)) {
    registerClass(kClass, nullptr);
    create(0, kClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, at, parent);
}

Surface::~Surface() {
    // The window goes before the brush it paints with.
    if (hwnd()) DestroyWindow(hwnd());
    DeleteObject(brush_);
}

void Surface::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd(), &ps);
    RECT client;
    GetClientRect(hwnd(), &client);
    FillRect(dc, &client, brush_);
    if (look_.picture) look_.picture(dc, client, DpiOf(hwnd()));
    EndPaint(hwnd(), &ps);
}

LRESULT Surface::handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT: paint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, look_.text);
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(brush_);
        }
        case WM_LBUTTONDOWN: {
            if (onClick) {
                pressed_ = true;
                SetCapture(hwnd());
            }
            // A copy: the handler may end this window (a move ends with the button up).
            if (auto press = onPress) press();
            return 0;
        }
        case WM_LBUTTONUP: {
            if (!pressed_) return 0;
            pressed_ = false;
            if (GetCapture() == hwnd()) ReleaseCapture();
            RECT client;
            GetClientRect(hwnd(), &client);
            const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            // Nothing of this object is used after the handler: it may end the window.
            if (PtInRect(&client, at))
                if (auto click = onClick) click();
            return 0;
        }
        case WM_CAPTURECHANGED: pressed_ = false; return 0;
        default: return WindowBase::handle(msg, wParam, lParam);
    }
}

}  // namespace win32app
