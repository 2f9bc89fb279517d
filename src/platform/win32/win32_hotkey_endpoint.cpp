#include "platform/win32/win32_hotkey_endpoint.h"

#include <cstdio>

#include "platform/win32/keyboard_hook.h"

namespace win32 {

namespace {

constexpr const wchar_t* kObjectProperty = L"Object";
constexpr const wchar_t* kProcedureProperty = L"WinProc";

std::uintptr_t takerOf(HWND hwnd) { return reinterpret_cast<std::uintptr_t>(hwnd); }

}  // namespace

std::unique_ptr<Win32HotkeyEndpoint> Win32HotkeyEndpoint::create() {
    HWND hwnd = CreateWindowExW(0, L"#32770", L"", 0, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) return nullptr;
    const auto kept = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
    return std::unique_ptr<Win32HotkeyEndpoint>(new Win32HotkeyEndpoint(hwnd, kept));
}

Win32HotkeyEndpoint::Win32HotkeyEndpoint(HWND hwnd, WNDPROC kept) : hwnd_(hwnd), kept_(kept) {
    // The properties first: the new procedure reads them from its first message on.
    SetPropW(hwnd_, kObjectProperty, this);
    SetPropW(hwnd_, kProcedureProperty, reinterpret_cast<HANDLE>(kept_));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&dispatch));
}

Win32HotkeyEndpoint::~Win32HotkeyEndpoint() {
    unregisterChord();
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(kept_));
    RemovePropW(hwnd_, kObjectProperty);
    RemovePropW(hwnd_, kProcedureProperty);
    DestroyWindow(hwnd_);
}

LRESULT CALLBACK Win32HotkeyEndpoint::dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<Win32HotkeyEndpoint*>(GetPropW(hwnd, kObjectProperty));
    if (self && msg == WM_HOTKEY) {
        self->pressed(true);
        return 0;
    }
    if (self && msg == keyboard_hook::kTakenRepeatMessage) {
        self->pressed(false);
        return 0;
    }
    const auto kept = reinterpret_cast<WNDPROC>(GetPropW(hwnd, kProcedureProperty));
    return kept ? CallWindowProcW(kept, hwnd, msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
}

void Win32HotkeyEndpoint::pressed(bool takeTheKey) {
    // A repeat posted before the chord was let go of is no press any more.
    if (!registered()) return;
    if (takeTheKey && hooked_)
        keyboard_hook::keys().take(takerOf(hwnd_), static_cast<std::uint8_t>(keyCode_), modKeyCode_);
    // The handler may end this endpoint (a playback's hold runs the event
    // loop): it runs from a copy, and nothing of this endpoint is used after it.
    const auto handler = onPressed;
    if (handler) handler();
}

bool Win32HotkeyEndpoint::registerIds() {
    if (!RegisterHotKey(hwnd_, kChordId, static_cast<UINT>(modKeyCode_), static_cast<UINT>(keyCode_))) return false;
    // Held by another program with those modifiers: then the chord does not fire with them.
    if (heldExtra_)
        RegisterHotKey(hwnd_, kChordWithHeldId, static_cast<UINT>(modKeyCode_ | heldExtra_),
                       static_cast<UINT>(keyCode_));
    return true;
}

void Win32HotkeyEndpoint::unregisterIds() {
    UnregisterHotKey(hwnd_, kChordId);
    if (heldExtra_) UnregisterHotKey(hwnd_, kChordWithHeldId);
}

bool Win32HotkeyEndpoint::registerChord(int modKeyCode, int keyCode) {
    unregisterChord();
    if (keyCode <= 0 || keyCode > 255 || (modKeyCode & ~0xF) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    modKeyCode_ = modKeyCode;
    keyCode_ = keyCode;
    heldExtra_ = 0;
    if (!registerIds()) {
        const DWORD error = GetLastError();
        modKeyCode_ = keyCode_ = 0;
        SetLastError(error);  // 1409 when the chord is taken: for whoever asks
        return false;
    }
    hooked_ = keyboard_hook::acquire();
    return true;
}

void Win32HotkeyEndpoint::unregisterChord() {
    if (!registered()) return;
    if (!suspended_) unregisterIds();
    suspended_ = false;
    if (hooked_) {
        keyboard_hook::keys().drop(takerOf(hwnd_));
        keyboard_hook::release();
        hooked_ = false;
    }
    modKeyCode_ = keyCode_ = heldExtra_ = 0;
}

void Win32HotkeyEndpoint::setHeldModifiers(int modKeyCode) {
    if (!registered()) return;
    const int extra = modKeyCode & ~modKeyCode_ & 0xF;
    if (extra == heldExtra_) return;
    if (!suspended_) {
        if (heldExtra_) UnregisterHotKey(hwnd_, kChordWithHeldId);
        if (extra)
            RegisterHotKey(hwnd_, kChordWithHeldId, static_cast<UINT>(modKeyCode_ | extra),
                           static_cast<UINT>(keyCode_));
    }
    heldExtra_ = extra;
}

void Win32HotkeyEndpoint::setInjecting(bool injecting) {
    if (!registered() || injecting == suspended_) return;
    // The system hands an injected press of the chord to the hotkey, not to
    // the focused window: the chord is off while the program presses keys.
    suspended_ = injecting;
    if (injecting) {
        unregisterIds();
        return;
    }
    if (!registerIds()) {
        std::fprintf(stderr, "zorvane-change-hotkey: a chord was taken by another program during a playback\n");
        unregisterChord();
    }
}

}  // namespace win32
