#include "ui/win32/shell/pictures.h"

#include <map>

#include "ui/win32/shell/dpi.h"

namespace win32app {

HICON AppIcon(int size) {
    static std::map<int, HICON> loaded;
    HICON& icon = loaded[size];
    if (!icon)
        icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                             size, size, LR_DEFAULTCOLOR));
    if (!icon) icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    return icon;
}

namespace {

HPEN roundPen(COLORREF color, int width) {
    LOGBRUSH brush{BS_SOLID, color, 0};
    return ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND, width, &brush, 0, nullptr);
}

}  // namespace

void DrawMinimise(HDC dc, int dpi) {
    // A 12-pixel dash, two thick, centred where the picture puts it.
    RECT dash{Scaled(18, dpi), Scaled(10, dpi), Scaled(30, dpi), Scaled(12, dpi)};
    HBRUSH light = CreateSolidBrush(ColorOf(view::kMinimiseDash));
    FillRect(dc, &dash, light);
    DeleteObject(light);
}

void DrawClose(HDC dc, RECT client, int dpi) {
    HBRUSH red = CreateSolidBrush(kCloseRed);
    FillRect(dc, &client, red);
    DeleteObject(red);
    HPEN pen = roundPen(kWhite, Scaled(2, dpi));
    HGDIOBJ old = SelectObject(dc, pen);
    const int l = Scaled(20, dpi), r = Scaled(28, dpi), t = Scaled(5, dpi), b = Scaled(13, dpi);
    MoveToEx(dc, l, t, nullptr);
    LineTo(dc, r, b);
    MoveToEx(dc, r, t, nullptr);
    LineTo(dc, l, b);
    SelectObject(dc, old);
    DeleteObject(pen);
}

void PaintFramed(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    HBRUSH green = CreateSolidBrush(kGreen);
    FrameRect(dc, &client, green);
    DeleteObject(green);
    EndPaint(window, &ps);
}

}  // namespace win32app
