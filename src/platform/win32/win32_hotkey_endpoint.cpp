#include "platform/win32/win32_hotkey_endpoint.h"

#include "platform/win32/app_messages.h"
#include "platform/win32/keyboard_hook.h"

namespace win32 {

namespace {

constexpr const wchar_t* kObjectProperty = L"Object";
constexpr const wchar_t* kProcedureProperty = L"WinProc";

std::uintptr_t takerOf(HWND hwnd) { return reinterpret_cast<std::uintptr_t>(hwnd); }

// RegisterHotKey's MOD_ALT, MOD_CONTROL, MOD_SHIFT and MOD_WIN are the mask's own bits.
static_assert(MOD_ALT == mod::Mask::Alt.bits() && MOD_CONTROL == mod::Mask::Control.bits() &&
              MOD_SHIFT == mod::Mask::Shift.bits() && MOD_WIN == mod::Mask::Win.bits());
UINT systemModifiers(mod::Mask mask) { return static_cast<UINT>(mask.bits()); }

}  // namespace

std::unique_ptr<Win32HotkeyEndpoint> Win32HotkeyEndpoint::create(std::shared_ptr<OwnKeys> ownKeys) {
    HWND hwnd = CreateWindowExW(0, L"#32770", L"", 0, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) return nullptr;
    const auto kept = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
    return std::unique_ptr<Win32HotkeyEndpoint>(new Win32HotkeyEndpoint(hwnd, kept, std::move(ownKeys)));
}

Win32HotkeyEndpoint::Win32HotkeyEndpoint(HWND hwnd, WNDPROC kept, std::shared_ptr<OwnKeys> ownKeys)
    : hwnd_(hwnd), kept_(kept), ownKeys_(std::move(ownKeys)) {
    // The properties first: the new procedure reads them from its first message on.
    SetPropW(hwnd_, kObjectProperty, this);
    SetPropW(hwnd_, kProcedureProperty, reinterpret_cast<HANDLE>(kept_));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&dispatch));
    if (ownKeys_) ownKeys_->add(this);
}

Win32HotkeyEndpoint::~Win32HotkeyEndpoint() {
    if (ownKeys_) ownKeys_->remove(this);
    unregisterChord();
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(kept_));
    RemovePropW(hwnd_, kObjectProperty);
    RemovePropW(hwnd_, kProcedureProperty);
    DestroyWindow(hwnd_);
}

LRESULT CALLBACK Win32HotkeyEndpoint::dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<Win32HotkeyEndpoint*>(GetPropW(hwnd, kObjectProperty));
    if (self && (msg == WM_HOTKEY || msg == appmsg::kLetGoPress)) {
        self->pressed(true);
        return 0;
    }
    if (self && msg == appmsg::kTakenRepeat) {
        self->pressed(false);
        return 0;
    }
    if (self && msg == appmsg::kChordLost) {
        self->lost();
        return 0;
    }
    const auto kept = reinterpret_cast<WNDPROC>(GetPropW(hwnd, kProcedureProperty));
    return kept ? CallWindowProcW(kept, hwnd, msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
}

void Win32HotkeyEndpoint::pressed(bool takeTheKey) {
    // A repeat posted before the chord was let go of is no press any more.
    if (!registered()) return;
    if (takeTheKey && hooked_)
        keyboard_hook::keys()->take(takerOf(hwnd_), static_cast<std::uint8_t>(keyCode_), modKeyCode_);
    // The handler may end this endpoint (a playback's hold runs the event
    // loop): it runs from a copy, and nothing of this endpoint is used after it.
    const auto handler = onPressed;
    if (handler) handler(!takeTheKey);  // a repeat: the key was taken at its first press and held since
}

void Win32HotkeyEndpoint::lost() {
    // Only a chord still waiting to be taken back is lost; one let go of or
    // replaced since is not.
    if (!registered() || !suspended_) return;
    unregisterChord();
    const auto handler = onLost;
    if (handler) handler(platform::Loss::Taken, "another program took the chord while this program was typing");
}

bool Win32HotkeyEndpoint::registerIds() {
    if (!RegisterHotKey(hwnd_, kChordId, systemModifiers(modKeyCode_), static_cast<UINT>(keyCode_))) return false;
    // Held by another program with those modifiers: then the chord does not fire with them.
    if (heldExtra_)
        RegisterHotKey(hwnd_, kChordWithHeldId, systemModifiers(modKeyCode_ | heldExtra_), static_cast<UINT>(keyCode_));
    return true;
}

void Win32HotkeyEndpoint::unregisterIds() {
    UnregisterHotKey(hwnd_, kChordId);
    if (heldExtra_) UnregisterHotKey(hwnd_, kChordWithHeldId);
}

platform::Claim Win32HotkeyEndpoint::registerChord(mod::Mask modKeyCode, int keyCode) {
    unregisterChord();
    if (keyCode <= 0 || keyCode >= vk::NoKey || modKeyCode.without(mod::Mask::All)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return platform::Claim::refused("no chord: key " + std::to_string(keyCode) + ", modifiers " +
                                        std::to_string(modKeyCode.bits()));
    }
    modKeyCode_ = modKeyCode;
    keyCode_ = keyCode;
    heldExtra_ = ownKeys_ ? ownKeys_->heldModifiers().without(modKeyCode_) & mod::Mask::All : mod::Mask();
    if (!registerIds()) {
        const DWORD error = GetLastError();
        forgetChord();
        SetLastError(error);
        if (error == ERROR_HOTKEY_ALREADY_REGISTERED) return platform::Claim::taken();
        return platform::Claim::refused("RegisterHotKey failed, error " + std::to_string(error));
    }
    hooked_ = keyboard_hook::acquire();
    if (hooked_) keyboard_hook::keys()->listen(takerOf(hwnd_), static_cast<std::uint8_t>(keyCode_), modKeyCode_);
    return platform::Claim::granted();
}

void Win32HotkeyEndpoint::unregisterChord() {
    if (!registered()) return;
    if (!suspended_) unregisterIds();
    suspended_ = false;
    if (hooked_) {
        keyboard_hook::keys()->drop(takerOf(hwnd_));
        keyboard_hook::keys()->forget(takerOf(hwnd_));
        keyboard_hook::release();
        hooked_ = false;
    }
    forgetChord();
}

void Win32HotkeyEndpoint::forgetChord() {
    modKeyCode_ = heldExtra_ = {};
    keyCode_ = 0;
}

void Win32HotkeyEndpoint::heldModifiersChanged(mod::Mask modKeyCode) {
    if (!registered()) return;
    const mod::Mask extra = modKeyCode.without(modKeyCode_) & mod::Mask::All;
    if (extra == heldExtra_) return;
    if (!suspended_) {
        if (heldExtra_) UnregisterHotKey(hwnd_, kChordWithHeldId);
        if (extra)
            RegisterHotKey(hwnd_, kChordWithHeldId, systemModifiers(modKeyCode_ | extra), static_cast<UINT>(keyCode_));
    }
    heldExtra_ = extra;
}

void Win32HotkeyEndpoint::suspend() {
    if (!registered() || suspended_) return;
    suspended_ = true;
    unregisterIds();
}

void Win32HotkeyEndpoint::resume() {
    if (!registered() || !suspended_) return;
    suspended_ = false;
    if (registerIds()) return;
    // Another program registered the chord in the moment it was let go of.
    // Reported from the event loop, not from inside a send.
    suspended_ = true;  // nothing is registered: nothing to let go of later
    PostMessageW(hwnd_, appmsg::kChordLost, 0, 0);
}

void Win32HotkeyService::setHeldModifiers(mod::Mask held, mod::Mask letGo) {
    ownKeys_->setHeldModifiers(held);
    keyboard_hook::keys()->setLetGo(letGo);
}

}  // namespace win32
