#pragma once
// The windows' colours and pictures, drawn in code so they stay sharp at any
// scale; the icon is the program's icon resource.

#include <windows.h>

#include "core/view/layout.h"

namespace win32app {

inline constexpr COLORREF ColorOf(view::Colour c) { return static_cast<COLORREF>(c.bgr()); }
inline constexpr COLORREF kGreen = ColorOf(view::kGreen);
inline constexpr COLORREF kWhite = ColorOf(view::kWhite);
inline constexpr COLORREF kHeaderGrey = ColorOf(view::kHeaderGrey);
inline constexpr COLORREF kTriggerBack = ColorOf(view::kTriggerBack);
inline constexpr COLORREF kTriggerText = ColorOf(view::kTriggerText);
// Whether the user asked for a High Contrast theme: its own colours then
// stand in for the program's.
inline bool HighContrast() {
    HIGHCONTRASTW hc{};
    hc.cbSize = sizeof hc;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON);
}
inline constexpr COLORREF kCloseRed = ColorOf(view::kCloseRed);

inline constexpr int kIconResource = 1;

// The program's icon at the given size (shared: never destroy it).
HICON AppIcon(int size);

// The minimise image: a light dash on the title strip. `dpi` scales the 96-DPI drawing.
void DrawMinimise(HDC dc, int dpi);
// The close image: a white cross on red.
void DrawClose(HDC dc, RECT client, int dpi);
// Paints a borderless window's own surface: the one-pixel green frame along
// its edge (its controls cover the rest).
void PaintFramed(HWND window);

}  // namespace win32app
