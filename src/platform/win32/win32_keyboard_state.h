#pragma once
#include <memory>

#include "core/services/keyboard_state.h"

namespace win32 {

// Logical: GetAsyncKeyState, what applications see, injected keys included.
// Physical: the keyboard hook's record of every key event but the program's
// own, checked against GetAsyncKeyState on reconcile().
// Create it on the thread that pumps the program's messages (the hook's).
class Win32KeyboardState : public platform::KeyboardState {
public:
    // Nothing when the keyboard hook cannot be installed.
    static std::unique_ptr<Win32KeyboardState> create();
    ~Win32KeyboardState() override;

    platform::KeySet logicalDown() override;
    platform::KeySet physicalDown() override;
    // The hook hears of key events through messages sent to this thread: the
    // ones waiting are handled now. Nothing else is dispatched.
    void sync() override;
    void reconcile() override;
    std::optional<platform::KeySet> holdReleases(const platform::KeySet& keys) override;
    History history(std::uint8_t vk) override;

private:
    Win32KeyboardState() = default;
};

}  // namespace win32
