#pragma once
#include <functional>
#include <string>
#include <vector>

#include "core/keys/virtual_keys.h"
#include "core/services/key_injector.h"
#include "core/services/keyboard_state.h"

namespace platform {

// A keyboard as the window system keeps it, for tests: one logical state per
// key, which injected events and the user's own keys both change. An injected
// press of a key already down is dropped; a release lets it go, whoever held it.
// Generic Shift, Ctrl and Alt are injected as their left keys. A shielded
// focus (an elevated window on Windows) drops injected events unseen.
class FakeKeyboard : public KeyInjector, public KeyboardState {
public:
    bool keyDown(std::uint8_t code) override {
        if (untypeable[code]) return false;
        if (shielded) return true;  // the system says nothing
        events.push_back("+" + std::to_string(code));
        logical.set(vk::Sided(code));
        if (onInjected) onInjected();
        return true;
    }
    void ensureDown(std::uint8_t code) override {
        if (!logical[vk::Sided(code)]) keyDown(code);
    }
    void keyUp(std::uint8_t code) override {
        if (shielded) return;
        events.push_back("-" + std::to_string(code));
        logical.reset(vk::Sided(code));
        if (onInjected) onInjected();
    }
    void maskTap() override {
        if (shielded) return;
        events.push_back("mask");
        if (onInjected) onInjected();
    }

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
    Result reachesFocus() override {
        return shielded ? Result::failure("the focused window runs as administrator") : Result::success();
    }

    KeySet logical, physical;
    KeySet untypeable;  // keys this keyboard cannot type
    bool shielded = false;
    std::vector<std::string> events;
    std::function<void()> onInjected;
};

}  // namespace platform
