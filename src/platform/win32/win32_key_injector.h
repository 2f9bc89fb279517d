#pragma once
#include <cstdint>

#include "platform/key_injector.h"

namespace win32 {

// Key injection with SendInput: virtual-key code, its scan code in the current
// layout, and the extended flag for the keys that have it, so that an
// application reading scan codes or the extended bit sees the right key.
class Win32KeyInjector : public platform::KeyInjector {
public:
    // The first layout lookup of a process is slow (15-25 ms under Wine): done
    // here, not in the middle of a target's keys.
    Win32KeyInjector();

    void keyDown(std::uint8_t vk) override { send(vk, false); }
    void keyUp(std::uint8_t vk) override { send(vk, true); }
    // A press and release of a code that no layout assigns.
    void maskTap() override;

    static constexpr std::uint8_t kMaskKey = 0xE8;

private:
    static void send(std::uint8_t vk, bool up);
};

}  // namespace win32
