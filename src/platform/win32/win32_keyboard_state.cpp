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

platform::KeySet Win32KeyboardState::logicalDown() { return keyboard_hook::KeysDownForApplications(); }

platform::KeySet Win32KeyboardState::physicalDown() { return keyboard_hook::keys()->physical(); }

void Win32KeyboardState::sync() { keyboard_hook::sync(); }

void Win32KeyboardState::reconcile() {
    keyboard_hook::keys()->beginCheck();
    sync();
    const platform::KeySet down = logicalDown();
    keyboard_hook::keys()->check(down);
}

std::optional<platform::KeySet> Win32KeyboardState::holdReleases(const platform::KeySet& keys) {
    return keyboard_hook::holdReleases(keys);
}

Win32KeyboardState::History Win32KeyboardState::history(std::uint8_t vk) { return keyboard_hook::keys()->history(vk); }

}  // namespace win32
