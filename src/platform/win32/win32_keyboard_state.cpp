#include "platform/win32/win32_keyboard_state.h"

#include <windows.h>

#include "core/keys/virtual_keys.h"
#include "platform/win32/keyboard_hook.h"

namespace win32 {

std::unique_ptr<Win32KeyboardState> Win32KeyboardState::create() {
    if (!keyboard_hook::acquire()) return nullptr;
    return std::unique_ptr<Win32KeyboardState>(new Win32KeyboardState);
}

Win32KeyboardState::~Win32KeyboardState() { keyboard_hook::release(); }

platform::KeySet Win32KeyboardState::logicalDown() {
    platform::KeySet down;
    // From Backspace: below are the mouse buttons. The generic Shift, Ctrl
    // and Alt are left out: their sided keys say which one is down.
    for (int vk = vk::Back; vk < 256; ++vk) {
        if (vk == vk::Shift || vk == vk::Control || vk == vk::Menu) continue;
        if (GetAsyncKeyState(vk) & 0x8000) down.set(static_cast<std::size_t>(vk));
    }
    return down;
}

platform::KeySet Win32KeyboardState::physicalDown() { return keyboard_hook::keys()->physical(); }

void Win32KeyboardState::sync() { keyboard_hook::sync(); }

void Win32KeyboardState::reconcile() {
    keyboard_hook::keys()->beginCheck();
    sync();
    const platform::KeySet down = logicalDown();
    keyboard_hook::keys()->check(down);
}

}  // namespace win32
