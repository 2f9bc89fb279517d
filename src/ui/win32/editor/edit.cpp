#include "ui/win32/editor/edit.h"

#include <commctrl.h>
#include <shellapi.h>

#include "core/editor/key_names.h"
#include "core/settings/wide_text_win32.h"
#include "core/view/texts.h"
#include "core/view/web_pages.h"
#include "ui/win32/shell/drag_form.h"
#include "ui/win32/shell/pictures.h"
#include "ui/win32/shell/screen_centre.h"

namespace win32app {

namespace {

namespace layout = view::editor_window;

constexpr const wchar_t* kClass = L"ZorvaneChangeHotkeyEditor";
// A picker's window is as high as its list when dropped; the layout gives its closed height.
constexpr int kDroppedPickerHeight = 320;
enum : UINT_PTR { kPickerId = 200, kAddId = 210, kLinkId = 211, kTitleId = 212 };

}  // namespace

edit::edit(app::EditorSession& session) : session_(session), green_(CreateSolidBrush(kGreen)) {
    registerClass(kClass, GetSysColorBrush(COLOR_BTNFACE), AppIcon(32));
    openPage = [this](const wchar_t* url) { ShellExecuteW(hwnd(), L"open", url, L"", L"", SW_SHOWNORMAL); };
    // No taskbar button: a tool window.
    create(WS_EX_TOOLWINDOW, kClass, widetext::widen(texts::kEditorTitle).c_str(), WS_POPUP | WS_CLIPCHILDREN,
           Box(0, 0, layout::kWidth, layout::kHeight), nullptr);
    build();
    fillPickers();
    applyDpi(DpiOf(hwnd()));
    CentreOnScreen(hwnd());
    session_.onForgotten = [this] {
        for (HWND picker : pickers_) SendMessageW(picker, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    };
    session_.onDone = [this] {
        ShowWindow(hwnd(), SW_HIDE);
        if (auto finished = onFinished) finished();
    };
}

edit::~edit() {
    session_.onForgotten = nullptr;
    session_.onDone = nullptr;
    // The window and its children go before the fonts and the brush they use.
    if (hwnd()) DestroyWindow(hwnd());
    DeleteObject(green_);
}

void edit::build() {
    HWND self = hwnd();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    auto child = [&](const wchar_t* cls, const std::string& text, DWORD style, HWND parent, UINT_PTR id, RECT at) {
        HWND h = CreateWindowExW(0, cls, widetext::widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                                 parent, reinterpret_cast<HMENU>(id), instance, nullptr);
        return placed_.add(h, at);
    };

    strip_ = std::make_unique<Surface>(self, RECT{}, Surface::Look{kGreen, kWhite, nullptr});
    placed_.add(strip_->hwnd(), Box(layout::kStrip));
    // Only the bare strip moves the editor: the title takes its own mouse events.
    strip_->onPress = [this] { DragForm(hwnd()); };
    title_ = child(WC_STATICW, texts::kEditorTitle, SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX | SS_NOTIFY, strip_->hwnd(),
                   kTitleId, Box(layout::kTitle));
    close_ = std::make_unique<Surface>(
        strip_->hwnd(), RECT{},
        Surface::Look{kCloseRed, kWhite, [](HDC dc, RECT r, int dpi) { DrawClose(dc, r, dpi); }});
    placed_.add(close_->hwnd(), Box(layout::kImage3));
    close_->onClick = [this] { session_.close(); };
    // The logo lies over the strip's lower edge: the strip's green above, the window's grey below.
    logo_ = std::make_unique<Surface>(
        self, RECT{}, Surface::Look{kGreen, 0, [](HDC dc, RECT r, int dpi) {
                                        RECT below = r;
                                        below.top = Scaled(view::kStripHeight - layout::kLogo.y, dpi);
                                        FillRect(dc, &below, GetSysColorBrush(COLOR_BTNFACE));
                                        DrawIconEx(dc, 0, 0, AppIcon(r.right - r.left), r.right - r.left,
                                                   r.bottom - r.top, 0, nullptr, DI_NORMAL);
                                    }});
    placed_.add(logo_->hwnd(), Box(layout::kLogo));
    SetWindowPos(logo_->hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    for (int k = 0; k < 3; ++k) {
        view::Box at = layout::Picker(k);
        at.h = kDroppedPickerHeight;
        pickers_[k] = child(WC_COMBOBOXW, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, self, kPickerId + k, Box(at));
    }

    label1_ = child(WC_STATICW, texts::kLabel1, SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX | SS_NOTIFY, self, kAddId,
                    Box(layout::kLabel1));
    link_ = child(WC_STATICW, texts::LinkText(), SS_LEFT | SS_NOPREFIX | SS_NOTIFY, self, kLinkId, Box(layout::kLink));
}

void edit::fillPickers() {
    const auto& names = co::PickerList();
    for (HWND picker : pickers_) {
        for (const std::string& name : names)
            SendMessageW(picker, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widetext::widen(name).c_str()));
        SendMessageW(picker, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);  // nothing chosen
    }
}

void edit::applyDpi(int dpi) {
    font_ = Font(view::kBodyFont, dpi);
    titleFont_ = Font(view::kTitleFont, dpi);
    addFont_ = Font(layout::kAddFont, dpi);
    linkFont_ = Font(layout::kLinkFont, dpi);
    linkUnderlinedFont_ = Font(layout::kLinkFont, dpi, true);
    SetWindowPos(hwnd(), nullptr, 0, 0, Scaled(layout::kWidth, dpi), Scaled(layout::kHeight, dpi),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    placed_.apply(dpi);
    SetFont(title_, titleFont_);
    SetFont(label1_, addFont_);
    SetFont(link_, underlined_ ? linkUnderlinedFont_ : linkFont_);
    for (HWND picker : pickers_) {
        SetFont(picker, font_);
        // The closed picker is as high as the layout says, whatever its font.
        // What the item height adds up to differs between systems: measured.
        const int want = Scaled(layout::Picker(0).h, dpi);
        auto item = static_cast<int>(SendMessageW(picker, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
        for (int round = 0; round < 4; ++round) {
            RECT r;
            GetWindowRect(picker, &r);
            const int error = want - (r.bottom - r.top);
            if (error == 0 || item + error <= 0) break;
            item += error;
            SendMessageW(picker, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), item);
        }
    }
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void edit::show() {
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
}

void edit::setLinkUnderlined(bool on) {
    if (underlined_ == on) return;
    underlined_ = on;
    SetFont(link_, on ? linkUnderlinedFont_ : linkFont_);
}

void edit::chosen(int k) {
    const auto index = SendMessageW(pickers_[k], CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return;
    const auto length = SendMessageW(pickers_[k], CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    std::wstring name(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, L'\0');
    SendMessageW(pickers_[k], CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(name.data()));
    name.resize(static_cast<std::size_t>(length < 0 ? 0 : length));
    session_.choose(k, widetext::narrow(name));
}

void edit::Label1_Click() { session_.add(); }

LRESULT edit::handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND: {
            const UINT id = LOWORD(wParam), code = HIWORD(wParam);
            if (id >= kPickerId && id < kPickerId + 3 && code == CBN_SELCHANGE)
                chosen(static_cast<int>(id - kPickerId));
            if (id == kAddId && code == STN_CLICKED) Label1_Click();
            if (id == kLinkId && code == STN_CLICKED && openPage)
                openPage(widetext::widen(web::kPelmaranHotkeyPage).c_str());
            return 0;
        }
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            if (reinterpret_cast<HWND>(lParam) == label1_) {
                SetTextColor(dc, kWhite);
                SetBkColor(dc, kGreen);
                return reinterpret_cast<LRESULT>(green_);
            }
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_SETCURSOR: {
            // The link underlines under the pointer; only the bare body takes
            // the underline away, not another control.
            const auto under = reinterpret_cast<HWND>(wParam);
            if (under == link_) {
                setLinkUnderlined(true);
                SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
                return TRUE;
            }
            if (under == hwnd() && LOWORD(lParam) == HTCLIENT) setLinkUnderlined(false);
            break;
        }
        case WM_PAINT: PaintFramed(hwnd()); return 0;
        case WM_DPICHANGED:
            MoveToSuggested(hwnd(), lParam);
            applyDpi(HIWORD(wParam));
            return 0;
        case WM_CLOSE:
            // As the close image.
            session_.close();
            return 0;
        default: break;
    }
    return WindowBase::handle(msg, wParam, lParam);
}

}  // namespace win32app
