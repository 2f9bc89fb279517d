#pragma once
// The fonts the windows name (core/view/layout.h). The Chinese names are the
// ones a Chinese Windows system has; elsewhere the system substitutes a font
// with Chinese glyphs.

#include <windows.h>

#include "core/view/layout.h"

namespace win32app {

// A font that deletes itself.
class Font {
public:
    Font() = default;
    Font(view::Font font, int dpi, bool underline = false);
    ~Font() { reset(); }
    Font(Font&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    Font& operator=(Font&& other) noexcept;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    HFONT get() const { return handle_; }

private:
    void reset();
    HFONT handle_ = nullptr;
};

// Gives the control the font and redraws it.
void SetFont(HWND control, const Font& font);

}  // namespace win32app
