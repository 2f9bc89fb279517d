#pragma once
#include <cstdint>
#include <memory>
#include <vector>
#include <windows.h>

#include "core/keys/virtual_keys.h"
#include "core/services/key_injector.h"
#include "platform/win32/own_keys.h"

namespace win32 {

// Key injection with SendInput: virtual-key code, its scan code in the current
// layout, and the extended flag for the keys that have it, so that an
// application reading scan codes or the extended bit sees the right key. A
// batch goes out in one SendInput call, which no other input can split. Every
// event carries the program's mark (HeldKeys::kOwnMark).
class Win32KeyInjector : public platform::KeyInjector {
public:
    // The first layout lookup of a process is slow (15-25 ms under Wine): done
    // here, not in the middle of a target's keys. With `ownKeys`, the
    // program's hotkeys let its own presses through to the focused window.
    explicit Win32KeyInjector(std::shared_ptr<OwnKeys> ownKeys = nullptr);

    // False for a code that is no key (0 or 255), or when the system refused it.
    bool keyDown(std::uint8_t vk) override;
    void keyUp(std::uint8_t vk) override;
    // Pressed only when the system has it up: a press of a key already down
    // would reach the focused window as another key-down, which input
    // methods see.
    void ensureDown(std::uint8_t vk) override;
    // A press and release of a code that no layout assigns.
    void maskTap() override;
    void beginBatch() override { ++depth_; }
    void endBatch() override;

    static constexpr std::uint8_t kMaskKey = vk::Unassigned;

private:
    bool add(std::uint8_t vk, bool up);
    bool flush();

    std::shared_ptr<OwnKeys> ownKeys_;
    std::vector<INPUT> pending_;
    int depth_ = 0;
};

}  // namespace win32
