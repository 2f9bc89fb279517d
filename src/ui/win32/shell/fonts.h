#pragma once
// The fonts the windows name. The Chinese names are the ones a Chinese Windows
// system has; elsewhere the system substitutes a font with Chinese glyphs.

#include <windows.h>

namespace win32app {

inline constexpr const wchar_t* kYaHei = L"微软雅黑";
inline constexpr const wchar_t* kSimSun = L"宋体";

// A font that deletes itself.
class Font {
public:
    Font() = default;
    Font(const wchar_t* face, int points, int dpi, bool bold = false, bool underline = false);
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
