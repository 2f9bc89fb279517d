#include "support/balloon.h"

#include <windows.h>
#include <commctrl.h>

namespace wintest {

std::optional<std::wstring> BalloonText() {
    for (HWND w = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); w;
         w = FindWindowExW(nullptr, w, TOOLTIPS_CLASSW, nullptr)) {
        if (!IsWindowVisible(w) || !(GetWindowLongPtrW(w, GWL_STYLE) & TTS_BALLOON)) continue;
        // A tooltip answers WM_GETTEXT with its tip, also across processes.
        wchar_t text[512] = {};
        SendMessageW(w, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
        return std::wstring(text);
    }
    return std::nullopt;
}

}  // namespace wintest
