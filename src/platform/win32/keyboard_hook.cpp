#include "platform/win32/keyboard_hook.h"

namespace win32::keyboard_hook {

namespace {

// A hook procedure has no context of its own: the hook is process-wide state.
struct Hook {
    HHOOK handle = nullptr;
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
        const HeldKeys::Verdict v = hook().keys.onKey(
            {k->vkCode, k->scanCode, (k->flags & LLKHF_EXTENDED) != 0, down, (k->flags & LLKHF_INJECTED) != 0});
        for (const std::uintptr_t taker : v.repeatFor)
            PostMessageW(reinterpret_cast<HWND>(taker), kTakenRepeatMessage, 0, 0);
        if (v.pressFor) PostMessageW(reinterpret_cast<HWND>(v.pressFor), kLetGoPressMessage, 0, 0);
        if (v.swallow) return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

bool acquire() {
    Hook& h = hook();
    if (h.users == 0) {
        h.handle = SetWindowsHookExW(WH_KEYBOARD_LL, procedure, GetModuleHandleW(nullptr), 0);
        if (!h.handle) return false;
        h.keys = HeldKeys{};  // what happened while no hook watched is unknown
    }
    ++h.users;
    return true;
}

void release() {
    Hook& h = hook();
    if (h.users == 0 || --h.users > 0) return;
    UnhookWindowsHookEx(h.handle);
    h.handle = nullptr;
}

bool installed() { return hook().handle != nullptr; }

HeldKeys& keys() { return hook().keys; }

}  // namespace win32::keyboard_hook
