#pragma once
#include <windows.h>

namespace win32app {

// Moves a borderless window by its title strip: called when the left button
// goes down on the strip, the system then moves the window with the pointer
// until the button comes up. A maximised window never moves this way.
void DragForm(HWND form);

}  // namespace win32app
