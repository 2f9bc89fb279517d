// The Windows backend's factory. Call it on the UI thread: the keyboard hook
// and the hotkey windows belong to the thread that makes them, and that
// thread's message loop serves them.

#include "platform/services.h"
#include "platform/win32/own_keys.h"
#include "platform/win32/win32_hotkey_endpoint.h"
#include "platform/win32/win32_key_injector.h"
#include "platform/win32/win32_key_namer.h"
#include "platform/win32/win32_keyboard_state.h"

platform::OwnedServices platform::CreateServices() {
    // The injector and the hotkeys share what the program presses itself.
    auto ownKeys = std::make_shared<win32::OwnKeys>();
    return {.injector = std::make_unique<win32::Win32KeyInjector>(ownKeys),
            .hotkeys = std::make_unique<win32::Win32HotkeyService>(ownKeys),
            .keyboard = win32::Win32KeyboardState::create(),
            .keyNamer = std::make_unique<win32::Win32KeyNamer>()};
}
