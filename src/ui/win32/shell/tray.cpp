#include "ui/win32/shell/tray.h"

#include "core/diag/backoff.h"
#include "core/settings/wide_text_win32.h"
#include "core/view/texts.h"

namespace win32app {

// Windows 7 on: no balloon in the user's quiet time (the first hour after a
// new user's first logon). mingw's headers define it only for Windows 7 on.
#ifndef NIIF_RESPECT_QUIET_TIME
#define NIIF_RESPECT_QUIET_TIME 0x00000080
#endif

namespace {
constexpr UINT kIconId = 1;
constexpr UINT kFirstRetryMs = 500;
constexpr UINT kLongestRetryMs = 30000;

// The window the user was in: the first shown top-level window, in Z order,
// that is not this program's and not always on top (the taskbar, whose click
// opened the menu, is both on top and in front).
HWND windowUserWasIn() {
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        const LONG_PTR ex = GetWindowLongPtrW(w, GWL_EXSTYLE);
        if (IsWindowVisible(w) && !IsIconic(w) && pid != GetCurrentProcessId() &&
            !(ex & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE)))
            return w;
    }
    return nullptr;
}

}  // namespace

Tray::Tray(HWND owner, HICON icon)
    : owner_(owner), icon_(icon), menu_(CreatePopupMenu()), taskbarCreated_(RegisterWindowMessageW(L"TaskbarCreated")) {
    HMENU about = CreatePopupMenu();
    AppendMenuW(about, MF_STRING, kAbout, widetext::widen(texts::kTrayAboutProgram).c_str());
    AppendMenuW(menu_, MF_STRING, kShow, widetext::widen(texts::kTrayShow).c_str());
    AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(about), widetext::widen(texts::kTrayAbout).c_str());
    AppendMenuW(menu_, MF_STRING, kExit, widetext::widen(texts::kTrayExit).c_str());
}

Tray::~Tray() {
    remove();
    DestroyMenu(menu_);
}

NOTIFYICONDATAW Tray::data() const {
    NOTIFYICONDATAW d{};
    d.cbSize = sizeof d;
    d.hWnd = owner_;
    d.uID = kIconId;
    // No tip text: the icon shows none.
    d.uFlags = NIF_MESSAGE | NIF_ICON;
    d.uCallbackMessage = kCallbackMessage;
    d.hIcon = icon_;
    return d;
}

UINT Tray::RetryDelayMs(int failures) { return diag::BackoffMs(failures, kFirstRetryMs, kLongestRetryMs); }

bool Tray::add() {
    wanted_ = true;
    NOTIFYICONDATAW d = data();
    // A shell that kept the icon (its TaskbarCreated came after a retry had
    // added it) refuses to add it again, and takes a change of it.
    added_ = Shell_NotifyIconW(NIM_ADD, &d) || Shell_NotifyIconW(NIM_MODIFY, &d);
    if (!added_) {
        SetTimer(owner_, kRetryTimer, RetryDelayMs(++failures_), nullptr);
        return false;
    }
    KillTimer(owner_, kRetryTimer);
    failures_ = 0;
    if (pending_) {
        const Notice notice = *pending_;
        pending_.reset();
        show(notice.title, notice.text);
    }
    return true;
}

void Tray::notify(const char* title, const char* text) {
    if (added_)
        show(title, text);
    else
        pending_ = Notice{title, text};
}

void Tray::show(const std::string& title, const std::string& text) {
    NOTIFYICONDATAW d = data();
    d.uFlags |= NIF_INFO;
    d.dwInfoFlags = NIIF_INFO | NIIF_RESPECT_QUIET_TIME;
    lstrcpynW(d.szInfoTitle, widetext::widen(title).c_str(), static_cast<int>(std::size(d.szInfoTitle)));
    lstrcpynW(d.szInfo, widetext::widen(text).c_str(), static_cast<int>(std::size(d.szInfo)));
    Shell_NotifyIconW(NIM_MODIFY, &d);
}

void Tray::remove() {
    wanted_ = false;
    KillTimer(owner_, kRetryTimer);
    failures_ = 0;
    pending_.reset();
    if (!added_) return;
    NOTIFYICONDATAW d = data();
    Shell_NotifyIconW(NIM_DELETE, &d);
    added_ = false;
}

bool Tray::handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER && wParam == kRetryTimer) {
        KillTimer(owner_, kRetryTimer);
        if (wanted_ && !added_) add();
        return true;
    }
    if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
        // A new taskbar knows no icons (or the first was not there yet at
        // start-up): the icon comes (back), its back-off from the start.
        failures_ = 0;
        if (wanted_) add();
        return true;
    }
    if (msg != kCallbackMessage) return false;
    // Only a button's release acts, not its press.
    switch (static_cast<UINT>(lParam)) {
        case WM_LBUTTONUP:
            if (auto show = onShow) show();
            break;
        case WM_RBUTTONUP: popup(); break;
        default: break;
    }
    return true;
}

void Tray::popup() {
    POINT at;
    GetCursorPos(&at);
    // The owner must be in front, or the menu would not close when the user
    // clicks elsewhere.
    SetForegroundWindow(owner_);
    const UINT command =
        TrackPopupMenu(menu_, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, 0, owner_, nullptr);
    PostMessageW(owner_, WM_NULL, 0, 0);
    // Dismissed, or a command that does not show the window: the keyboard
    // goes back to the window the user was in, so that no key lands in the
    // hidden main window.
    if (command != kShow && !IsWindowVisible(owner_))
        if (const HWND back = windowUserWasIn()) SetForegroundWindow(back);
    if (command != 0) PostMessageW(owner_, WM_COMMAND, command, 0);
}

}  // namespace win32app
