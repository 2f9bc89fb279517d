#include "ui/win32/shell/fonts.h"

#include "core/settings/wide_text_win32.h"

namespace win32app {

Font::Font(view::Font font, int dpi, bool underline) {
    // The character set of simplified Chinese, as the windows were drawn with.
    handle_ = CreateFontW(-MulDiv(font.points, dpi, 72), 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, underline,
                          FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                          DEFAULT_PITCH | FF_DONTCARE, widetext::widen(font.face).c_str());
}

Font& Font::operator=(Font&& other) noexcept {
    if (this != &other) {
        reset();
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

void Font::reset() {
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
}

void SetFont(HWND control, const Font& font) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
}

}  // namespace win32app
