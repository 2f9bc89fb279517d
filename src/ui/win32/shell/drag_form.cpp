#include "ui/win32/shell/drag_form.h"

namespace win32app {

void DragForm(HWND form) {
    if (IsZoomed(form)) return;
    ReleaseCapture();
    // As if the button went down on a caption: the system's own move.
    SendMessageW(form, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

}  // namespace win32app
