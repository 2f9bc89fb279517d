#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/key_injector.h"
#include "platform/keyboard_state.h"

namespace platform {

// A keyboard as the window system keeps it, for tests: one logical state per
// key, which injected events and the user's own keys both change. An injected
// press of a key already down is dropped; a release lets it go, whoever held it.
// Generic Shift, Ctrl and Alt are injected as their left keys.
class FakeKeyboard : public KeyInjector, public KeyboardState {
public:
    static std::uint8_t sided(std::uint8_t vk) {
        switch (vk) {
            case 16: return 0xA0;
            case 17: return 0xA2;
            case 18: return 0xA4;
            default: return vk;
        }
    }

    void keyDown(std::uint8_t vk) override {
        events.push_back("+" + std::to_string(vk));
        logical.set(sided(vk));
        if (onInjected) onInjected();
    }
    void keyUp(std::uint8_t vk) override {
        events.push_back("-" + std::to_string(vk));
        logical.reset(sided(vk));
        if (onInjected) onInjected();
    }
    void maskTap() override { events.push_back("mask"); }

    void userDown(std::uint8_t vk) {
        physical.set(vk);
        logical.set(vk);
    }
    void userUp(std::uint8_t vk) {
        physical.reset(vk);
        logical.reset(vk);
    }

    KeySet logicalDown() override { return logical; }
    KeySet physicalDown() override { return physical; }

    KeySet logical, physical;
    std::vector<std::string> events;
    std::function<void()> onInjected;
};

}  // namespace platform
