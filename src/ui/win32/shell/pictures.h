#pragma once
// The windows' colours and pictures, drawn in code so they stay sharp at any
// scale; the icon is the program's icon resource.

#include <windows.h>

namespace win32app {

inline constexpr COLORREF kGreen = RGB(0, 153, 102);
inline constexpr COLORREF kHeaderGrey = RGB(224, 224, 224);
inline constexpr COLORREF kTriggerBack = RGB(255, 224, 192);
inline constexpr COLORREF kCloseRed = RGB(212, 48, 48);

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
