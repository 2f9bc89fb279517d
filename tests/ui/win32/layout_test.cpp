// The windows as drawn: every control's place and size, texts, styles and
// fonts, the Chinese ones resolving to a font that has their glyphs.

#include "app_fixture.h"

#include <algorithm>

#include "core/settings/wide_text_win32.h"
#include "ui/win32/shell/pictures.h"

namespace {

struct Box {
    int x, y, w, h;
    bool operator==(const Box&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Box& b) { return os << b.x << "," << b.y << " " << b.w << "x" << b.h; }

// Place and size within the parent's client area.
Box boxOf(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

Box clientOf(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    return {0, 0, r.right, r.bottom};
}

LOGFONTW fontOf(HWND control) {
    LOGFONTW lf{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf;
}

// Whether the font the system draws the control's text with has glyphs for
// all of its text, and which font file that is (its name table).
struct Drawn {
    bool allGlyphs = false;
    bool wenQuanYi = false;
};

Drawn drawnWith(HWND control) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    Drawn d;
    const std::wstring text = Win32AppTest::text(control);
    std::vector<WORD> glyphs(text.size());
    d.allGlyphs = text.empty() || (GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                                                    GGI_MARK_NONEXISTING_GLYPHS) != GDI_ERROR &&
                                   std::find(glyphs.begin(), glyphs.end(), 0xFFFF) == glyphs.end());
    constexpr DWORD kNameTable = 0x656D616E;  // "name", as GetFontData takes a table tag
    if (const DWORD size = GetFontData(dc, kNameTable, 0, nullptr, 0); size != GDI_ERROR && size > 0) {
        std::string table(size, '\0');
        GetFontData(dc, kNameTable, 0, table.data(), size);
        // Names are UTF-16 big-endian in the table.
        std::string wanted;
        for (char c : std::string("WenQuanYi Micro Hei")) wanted += std::string{'\0', c};
        d.wenQuanYi = table.find(wanted) != std::string::npos;
    }
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return d;
}

void expectFont(HWND control, const wchar_t* face, int height, bool bold) {
    const LOGFONTW lf = fontOf(control);
    EXPECT_STREQ(lf.lfFaceName, face) << widetext::narrow(Win32AppTest::text(control));
    EXPECT_EQ(lf.lfHeight, height) << widetext::narrow(face);
    EXPECT_EQ(lf.lfWeight >= FW_BOLD, bold) << widetext::narrow(face);
    EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET);
    const Drawn drawn = drawnWith(control);
    EXPECT_TRUE(drawn.allGlyphs) << "glyphs, not boxes: " << widetext::narrow(Win32AppTest::text(control));
    EXPECT_TRUE(drawn.wenQuanYi) << widetext::narrow(face);
}

constexpr int rowTop(int n) { return 64 + 32 * (n - 1); }

}  // namespace

TEST_F(Win32AppTest, MainWindowAsDrawn) {
    auto& w = start();
    EXPECT_EQ(text(w.hwnd()), L"设置");
    EXPECT_EQ(clientOf(w.hwnd()), (Box{0, 0, 389, 405}));
    const LONG_PTR style = GetWindowLongPtrW(w.hwnd(), GWL_STYLE), ex = GetWindowLongPtrW(w.hwnd(), GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME)) << "borderless";
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW) << "no taskbar button";
    RECT outer;
    GetWindowRect(w.hwnd(), &outer);
    EXPECT_EQ(outer.right - outer.left, 389) << "no frame around the client area";

    EXPECT_EQ(boxOf(w.pmenu()), (Box{0, 0, 389, 25}));
    EXPECT_EQ(boxOf(w.title()), (Box{8, 0, 201, 25}));
    EXPECT_EQ(text(w.title()), L"Zorvane Change Hotkey");
    EXPECT_EQ(boxOf(w.Image2()), (Box{264, 0, 39, 17}));
    EXPECT_EQ(boxOf(w.Image3()), (Box{320, 0, 48, 19}));
    EXPECT_EQ(boxOf(w.Picture1()), (Box{5, 24, 377, 25}));
    const wchar_t* headings[] = {L"原来的热键", L"修改后热键", L"启用"};
    const Box headingBoxes[] = {{8, 4, 129, 24}, {152, 4, 129, 24}, {296, 4, 73, 24}};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(text(w.header(k)), headings[k]);
        EXPECT_EQ(boxOf(w.header(k)), headingBoxes[k]);
        EXPECT_EQ(GetWindowLongPtrW(w.header(k), GWL_STYLE) & SS_TYPEMASK, SS_CENTER);
    }

    for (int n = 1; n <= 10; ++n) {
        SCOPED_TRACE("row " + std::to_string(n));
        HWND target = w.Text1(n - 1), trigger = w.ZorvaneN(n).hwnd(), box = w.Check(n);
        EXPECT_EQ(boxOf(target), (Box{16, rowTop(n), 129, 20}));
        EXPECT_EQ(boxOf(trigger), (Box{161, rowTop(n), 127, 20}));
        EXPECT_EQ(boxOf(box), (Box{304, rowTop(n), 73, 20}));
        EXPECT_FALSE(GetWindowLongPtrW(target, GWL_STYLE) & WS_TABSTOP);
        EXPECT_TRUE(GetWindowLongPtrW(target, GWL_STYLE) & ES_READONLY);
        EXPECT_FALSE(GetWindowLongPtrW(trigger, GWL_STYLE) & WS_BORDER);
        EXPECT_FALSE(GetWindowLongPtrW(trigger, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
        EXPECT_EQ(text(trigger), L"按下热键");
        EXPECT_EQ(text(box), L"启用热键");
        EXPECT_FALSE(checked(n));
    }
    expectFont(w.title(), L"微软雅黑", -16, true);
    expectFont(w.header(0), L"微软雅黑", -12, false);
    expectFont(w.Check(1), L"微软雅黑", -12, false);
    expectFont(w.ZorvaneN(1).hwnd(), L"宋体", -12, false);
}

TEST_F(Win32AppTest, EditorAsDrawn) {
    auto& w = start();
    win32app::edit* e = w.editor();
    ASSERT_TRUE(e) << "the editor is made at start-up";
    EXPECT_FALSE(IsWindowVisible(e->hwnd()));
    EXPECT_EQ(text(e->hwnd()), L"编辑");
    EXPECT_EQ(clientOf(e->hwnd()), (Box{0, 0, 457, 186})) << "175, and room for the whole link";
    EXPECT_TRUE(GetWindowLongPtrW(e->hwnd(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(boxOf(e->strip()), (Box{0, 0, 457, 25}));
    EXPECT_EQ(text(e->title()), L"编辑");
    EXPECT_EQ(boxOf(e->logo()), (Box{144, 8, 22, 22}));
    EXPECT_EQ(boxOf(e->Image3()), (Box{384, 0, 48, 19}));
    const int pickerX[] = {24, 160, 296};
    for (int k = 0; k < 3; ++k) {
        HWND p = e->picker(k);
        EXPECT_EQ(boxOf(p), (Box{pickerX[k], 48, 121, 25}));
        EXPECT_EQ(GetWindowLongPtrW(p, GWL_STYLE) & 3, CBS_DROPDOWNLIST);
        EXPECT_EQ(SendMessageW(p, CB_GETCOUNT, 0, 0), 63);
        EXPECT_EQ(SendMessageW(p, CB_GETCURSEL, 0, 0), CB_ERR) << "nothing chosen";
    }
    auto entry = [e](int index) {
        wchar_t name[32] = {};
        SendMessageW(e->picker(2), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(name));
        return std::wstring(name);
    };
    EXPECT_EQ(entry(0), L"");
    EXPECT_EQ(entry(1), L"Shift");
    EXPECT_EQ(entry(36), L"R-0");
    EXPECT_EQ(entry(62), L"Z");
    EXPECT_EQ(boxOf(e->Label1()), (Box{24, 96, 409, 41}));
    EXPECT_EQ(text(e->Label1()), L"添加");
    EXPECT_EQ(boxOf(e->pelmaran()), (Box{32, 160, 417, 25}));
    EXPECT_EQ(text(e->pelmaran()), L"Learn More Hotkey:Search \"hotkey\" on pelmaran.com");
    expectFont(e->title(), L"微软雅黑", -16, true);
    expectFont(e->Label1(), L"微软雅黑", -24, true);
    expectFont(e->pelmaran(), L"微软雅黑", -16, false);
    expectFont(e->picker(0), L"微软雅黑", -12, false);
}

// The trigger fields set their text colour with their background, and a High
// Contrast theme's own colours stand in for both: its light text on the light
// orange could not be read. (Wine draws no High Contrast theme; the colours
// the fields ask for are what is checked.)
TEST_F(Win32AppTest, TriggerFieldsPairTheirTextWithTheirBackgroundAndFollowHighContrast) {
    auto& w = start();
    const HWND field = GetDlgItem(w.hwnd(), 120);
    ASSERT_TRUE(field);
    HDC dc = CreateCompatibleDC(nullptr);
    auto colours = [&] {
        SendMessageW(w.hwnd(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(field));
        return std::pair{GetTextColor(dc), GetBkColor(dc)};
    };
    EXPECT_EQ(colours(), (std::pair{RGB(0, 0, 0), RGB(255, 224, 192)}));

    HIGHCONTRASTW before{sizeof before};
    SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof before, &before, 0);
    HIGHCONTRASTW on = before;
    on.dwFlags |= HCF_HIGHCONTRASTON;
    SystemParametersInfoW(SPI_SETHIGHCONTRAST, sizeof on, &on, 0);
    const bool shown = win32app::HighContrast();
    const auto contrast = colours();
    SystemParametersInfoW(SPI_SETHIGHCONTRAST, sizeof before, &before, 0);
    DeleteDC(dc);
    if (!shown) GTEST_SKIP() << "this system keeps no High Contrast setting";
    EXPECT_EQ(contrast, (std::pair{GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW)}));
}
