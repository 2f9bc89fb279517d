#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/services/key_injector.h"

namespace platform {

// Records injected events as "+65" (down) and "-65" (up), for tests.
class RecordingInjector : public KeyInjector {
public:
    bool keyDown(std::uint8_t vk) override {
        events.push_back("+" + std::to_string(vk));
        return true;
    }
    void keyUp(std::uint8_t vk) override { events.push_back("-" + std::to_string(vk)); }
    void maskTap() override { events.push_back("mask"); }

    std::vector<std::string> events;
};

}  // namespace platform
