#include "ui/win32/app/frmSet.h"

#include <commctrl.h>
#include <shellapi.h>

#include "core/settings/wide_text_win32.h"
#include "core/view/texts.h"
#include "core/view/web_pages.h"
#include "platform/win32/app_messages.h"
#include "ui/playback/keyfunc.h"
#include "ui/win32/shell/drag_form.h"
#include "ui/win32/shell/pictures.h"
#include "ui/win32/shell/screen_centre.h"

namespace win32app {

namespace {

namespace layout = view::main_window;

enum : UINT_PTR { kText1Id = 100, kTriggerId = 120, kCheckId = 140, kTitleId = 160, kHeaderId = 161 };
// Posted to itself: handled once the click that asked for them is over.
using win32::appmsg::kOpenEditor, win32::appmsg::kLoaded;

}  // namespace

UINT frmSet::showRequestMessage() {
    static const UINT message = RegisterWindowMessageW(L"ZorvaneChangeHotkey.ShowWindow");
    return message;
}

frmSet::frmSet(const platform::Services& services, app::SettingsFile settings, bool tray)
    : services_(services), withTray_(tray), triggerBrush_(CreateSolidBrush(kTriggerBack)) {
    alert_ = [this](const std::string& title, const std::string& text) {
        HWND owner = hwnd() && IsWindowVisible(hwnd()) ? hwnd() : nullptr;
        MessageBoxW(owner, widetext::widen(text).c_str(), widetext::widen(title).c_str(),
                    MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    };
    openPage = [this](const wchar_t* url) { ShellExecuteW(hwnd(), L"open", url, L"", L"", SW_SHOWNORMAL); };
    table_ = std::make_unique<app::SlotTable>(static_cast<app::SlotTable::View&>(*this), services_, std::move(settings),
                                              [](int ms) { keyfunc::Delay(ms); });

    registerClass(kClassName, GetSysColorBrush(COLOR_BTNFACE), AppIcon(32));
    // Borderless, and no taskbar button: the tray icon is the way back to it.
    create(WS_EX_TOOLWINDOW, kClassName, widetext::widen(texts::kMainWindowTitle).c_str(), WS_POPUP | WS_CLIPCHILDREN,
           Box(0, 0, layout::kWidth, layout::kHeight), nullptr);
    // A copy at another integrity level (one started as administrator, or
    // this one so started) may ask to show the window, and a restarted
    // taskbar says so: both pass the message filter.
    ChangeWindowMessageFilterEx(hwnd(), showRequestMessage(), MSGFLT_ALLOW, nullptr);
    ChangeWindowMessageFilterEx(hwnd(), RegisterWindowMessageW(L"TaskbarCreated"), MSGFLT_ALLOW, nullptr);
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(AppIcon(32)));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(AppIcon(16)));
    build();
    applyDpi(DpiOf(hwnd()));
    CentreOnScreen(hwnd());
    // Focus rectangles only once the keyboard is used, as in dialogs.
    SendMessageW(hwnd(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    Form_Load();
}

frmSet::~frmSet() {
    editor_.reset();
    if (tray_) diag::SetNoticeSink(nullptr);
    tray_.reset();
    if (hwnd()) DestroyWindow(hwnd());
    // The fields let go of their chords as they go.
    for (auto& field : fields_) field.reset();
    DeleteObject(triggerBrush_);
}

void frmSet::build() {
    HWND self = hwnd();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    auto label = [&](HWND parent, const char* text, DWORD style, UINT_PTR id, view::Box at) {
        HWND h =
            CreateWindowExW(0, WC_STATICW, widetext::widen(text).c_str(), WS_CHILD | WS_VISIBLE | SS_NOPREFIX | style,
                            0, 0, 0, 0, parent, reinterpret_cast<HMENU>(id), instance, nullptr);
        return placed_.add(h, Box(at));
    };

    strip_ = std::make_unique<Surface>(self, RECT{}, Surface::Look{kGreen, kWhite, nullptr});
    placed_.add(strip_->hwnd(), Box(layout::kStrip));
    strip_->onPress = [this] { DragForm(hwnd()); };
    // A plain label lets the mouse through to the strip: the title moves the window too.
    title_ = label(strip_->hwnd(), texts::kProductName, SS_LEFT | SS_CENTERIMAGE, kTitleId, layout::kTitle);
    minimise_ = std::make_unique<Surface>(
        strip_->hwnd(), RECT{}, Surface::Look{kGreen, 0, [](HDC dc, RECT, int dpi) { DrawMinimise(dc, dpi); }});
    placed_.add(minimise_->hwnd(), Box(layout::kImage2));
    minimise_->onClick = [this] { ShowWindow(hwnd(), SW_HIDE); };
    close_ = std::make_unique<Surface>(
        strip_->hwnd(), RECT{}, Surface::Look{kCloseRed, 0, [](HDC dc, RECT r, int dpi) { DrawClose(dc, r, dpi); }});
    placed_.add(close_->hwnd(), Box(layout::kImage3));
    close_->onClick = [this] { Image3_Click(); };

    header_ = std::make_unique<Surface>(self, RECT{}, Surface::Look{kHeaderGrey, RGB(0, 0, 0), nullptr});
    placed_.add(header_->hwnd(), Box(layout::kPicture1));
    // Over the strip's last row, as drawn.
    SetWindowPos(header_->hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    for (int k = 0; k < 3; ++k)
        headers_[k] = label(header_->hwnd(), texts::kHeadings[k], SS_CENTER, kHeaderId + k, layout::kHeadings[k]);

    targets_ = std::make_unique<TargetFields>(self, kText1Id);
    targets_->onClick = [this](int i) { PostMessageW(hwnd(), kOpenEditor, static_cast<WPARAM>(i), 0); };
    auto fieldAlert = [this](const std::string& title, const std::string& text) { alert_(title, text); };
    for (int n = 1; n <= kSlots; ++n) {
        const int i = n - 1;
        placed_.add(targets_->field(i), Box(layout::Text1(n)));

        auto field = std::make_unique<HotkeyField>(self, kTriggerId + i, app::SlotTable::ControlName(n), services_,
                                                   table_->chordStore(), fieldAlert);
        placed_.add(field->hwnd(), Box(layout::Trigger(n)));
        fields_[i] = std::move(field);

        checks_[i] = CreateWindowExW(0, WC_BUTTONW, widetext::widen(texts::kCheck).c_str(),
                                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 0, 0, 0, self,
                                     reinterpret_cast<HMENU>(kCheckId + i), instance, nullptr);
        placed_.add(checks_[i], Box(layout::Check(n)));
    }
    // Each control reads its chord as it loads, as the program starts.
    for (auto& field : fields_) field->logic().readStoredChord();
}

void frmSet::applyDpi(int dpi) {
    font_ = Font(view::kBodyFont, dpi);
    titleFont_ = Font(view::kTitleFont, dpi);
    triggerFont_ = Font(layout::kTriggerFont, dpi);
    SetWindowPos(hwnd(), nullptr, 0, 0, Scaled(layout::kWidth, dpi), Scaled(layout::kHeight, dpi),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    placed_.apply(dpi);
    SetFont(title_, titleFont_);
    for (HWND h : headers_) SetFont(h, font_);
    for (int i = 0; i < kSlots; ++i) {
        SetFont(targets_->field(i), font_);
        SetFont(fields_[i]->hwnd(), triggerFont_);
        SetFont(checks_[i], font_);
    }
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void frmSet::Form_Load() {
    table_->load();
    if (withTray_) {
        tray_ = std::make_unique<Tray>(hwnd(), AppIcon(GetSystemMetrics(SM_CXSMICON)));
        tray_->onShow = [this] { show(); };
        tray_->add();
        diag::SetNoticeSink([this](diag::Cause cause) {
            if (tray_) tray_->notify(texts::kNoticeTitle, texts::NoticeText(cause));
        });
    }
    // The editor exists from the start, hidden.
    makeEditor();
    lastFocus_ = fields_[0]->hwnd();
    PostMessageW(hwnd(), kLoaded, 0, 0);
}

edit& frmSet::makeEditor() {
    if (editor_) return *editor_;
    editor_ = std::make_unique<edit>(table_->editor());
    editor_->openPage = [this](const wchar_t* url) { openPage(url); };
    editor_->onFinished = [this] { show(); };
    return *editor_;
}

void frmSet::show() {
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
    if (lastFocus_ && IsWindow(lastFocus_)) SetFocus(lastFocus_);
}

void frmSet::Text1_Click(int i) {
    table_->editor().open(i);
    edit& e = makeEditor();
    e.show();
    ShowWindow(hwnd(), SW_HIDE);
}

void frmSet::quit() {
    if (tray_) tray_->remove();
    DestroyWindow(hwnd());
    if (auto exit = onExit) exit();
}

bool frmSet::isDialogMessage(MSG* msg) {
    if (hwnd() && IsDialogMessageW(hwnd(), msg)) return true;
    return editor_ && editor_->hwnd() && IsDialogMessageW(editor_->hwnd(), msg);
}

void frmSet::showTarget(int i, const app::SlotTable::Target& target) { targets_->show(i, target.text, target.action); }

void frmSet::setChecked(int n, bool on) {
    SendMessageW(checks_[n - 1], BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool frmSet::command(UINT id, UINT code) {
    if (id >= kCheckId && id < kCheckId + kSlots && code == BN_CLICKED) {
        const int n = static_cast<int>(id - kCheckId) + 1;
        table_->checkClicked(n, SendMessageW(checks_[n - 1], BM_GETCHECK, 0, 0) == BST_CHECKED);
        return true;
    }
    switch (id) {
        case Tray::kShow: show(); return true;
        case Tray::kAbout: openPage(widetext::widen(web::kProductPage).c_str()); return true;
        case Tray::kExit: Image3_Click(); return true;
        default: return false;
    }
}

LRESULT frmSet::handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (tray_ && tray_->handle(msg, wParam, lParam)) return 0;
    if (msg == showRequestMessage()) {
        show();
        return 0;
    }
    switch (msg) {
        case WM_COMMAND:
            if (command(LOWORD(wParam), HIWORD(wParam))) return 0;
            break;
        case WM_CTLCOLOREDIT: {
            // Text and background together: a High Contrast theme's light
            // text on the light orange could not be read.
            HDC dc = reinterpret_cast<HDC>(wParam);
            if (HighContrast()) {
                SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
                SetBkColor(dc, GetSysColor(COLOR_WINDOW));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
            }
            SetTextColor(dc, kTriggerText);
            SetBkColor(dc, kTriggerBack);
            return reinterpret_cast<LRESULT>(triggerBrush_);
        }
        case WM_CTLCOLORSTATIC: {
            const auto control = reinterpret_cast<HWND>(lParam);
            HDC dc = reinterpret_cast<HDC>(wParam);
            const UINT id = static_cast<UINT>(GetDlgCtrlID(control));
            if (id >= kText1Id && id < kText1Id + kSlots) {
                // The read-only target fields look like any text box.
                SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
                SetBkColor(dc, GetSysColor(COLOR_WINDOW));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
            }
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_PAINT: PaintFramed(hwnd()); return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                if (HWND focus = GetFocus(); focus && IsChild(hwnd(), focus)) lastFocus_ = focus;
            } else if (lastFocus_ && IsWindow(lastFocus_) && IsWindowVisible(hwnd())) {
                // Hidden, the window only owns the tray menu: a trigger field
                // given the keyboard would take the next keys as its chord.
                SetFocus(lastFocus_);
            }
            return 0;
        case kOpenEditor: Text1_Click(static_cast<int>(wParam)); return 0;
        case kLoaded: table_->reportUnreadableSettings(); return 0;
        case WM_CLOSE:
            // Only the exit routine ends the program; closing hides.
            ShowWindow(hwnd(), SW_HIDE);
            return 0;
        case WM_QUERYENDSESSION: return TRUE;
        case WM_ENDSESSION:
            // The session ends and the program with it: the chords are kept.
            if (wParam) table_->end(app::SlotTable::Ending::SessionEnd);
            return 0;
        case WM_DPICHANGED:
            MoveToSuggested(hwnd(), lParam);
            applyDpi(HIWORD(wParam));
            return 0;
        default: break;
    }
    return WindowBase::handle(msg, wParam, lParam);
}

}  // namespace win32app
