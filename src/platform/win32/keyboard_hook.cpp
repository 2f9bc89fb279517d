#include "platform/win32/keyboard_hook.h"

#include <wtsapi32.h>

#include "platform/win32/app_messages.h"

namespace win32::keyboard_hook {

namespace {

constexpr const wchar_t* kSessionWindowClass = L"ZorvaneSessionWatch";

// A hook procedure has no context of its own: the hook is process-wide state.
struct Hook {
    HHOOK handle = nullptr;
    HWND session = nullptr;
    int users = 0;
    HeldKeys keys;
};

Hook& hook() {
    static Hook h;
    return h;
}

LRESULT CALLBACK procedure(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* k = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        const bool down = wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN;
        const HeldKeys::Verdict v = hook().keys.onKey({k->vkCode, k->scanCode, (k->flags & LLKHF_EXTENDED) != 0, down,
                                                       (k->flags & LLKHF_INJECTED) != 0, k->dwExtraInfo});
        for (const std::uintptr_t taker : v.repeatFor)
            PostMessageW(reinterpret_cast<HWND>(taker), appmsg::kTakenRepeat, 0, 0);
        if (v.pressFor) PostMessageW(reinterpret_cast<HWND>(v.pressFor), appmsg::kLetGoPress, 0, 0);
        if (v.swallow) return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

HHOOK install() { return SetWindowsHookExW(WH_KEYBOARD_LL, procedure, GetModuleHandleW(nullptr), 0); }

// Back from the lock screen, or the session back at a console: the keys let
// go of meanwhile were never seen, and Windows may have removed a hook that
// once kept it waiting, without a word. A new hook replaces the old one.
void sessionBack() {
    Hook& h = hook();
    if (HHOOK fresh = install()) {
        UnhookWindowsHookEx(h.handle);
        h.handle = fresh;
    }
    h.keys.reset();
}

LRESULT CALLBACK sessionProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_WTSSESSION_CHANGE) {
        if (wParam == WTS_SESSION_UNLOCK || wParam == WTS_CONSOLE_CONNECT || wParam == WTS_REMOTE_CONNECT)
            sessionBack();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// A hidden top-level window: session changes are sent to a window.
HWND watchSession() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = sessionProcedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kSessionWindowClass;
    RegisterClassW(&wc);  // registered already after an earlier hook
    HWND hwnd = CreateWindowExW(0, kSessionWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (hwnd) WTSRegisterSessionNotification(hwnd, NOTIFY_FOR_THIS_SESSION);
    return hwnd;
}

}  // namespace

bool acquire() {
    Hook& h = hook();
    if (h.users == 0) {
        h.handle = install();
        if (!h.handle) return false;
        h.keys = HeldKeys{};  // what happened while no hook watched is unknown
        h.session = watchSession();
    }
    ++h.users;
    return true;
}

void release() {
    Hook& h = hook();
    if (h.users == 0 || --h.users > 0) return;
    if (h.session) {
        WTSUnRegisterSessionNotification(h.session);
        DestroyWindow(h.session);
        h.session = nullptr;
    }
    UnhookWindowsHookEx(h.handle);
    h.handle = nullptr;
}

bool installed() { return hook().handle != nullptr; }

HeldKeys& keys() { return hook().keys; }

HWND sessionWindow() { return hook().session; }

}  // namespace win32::keyboard_hook
