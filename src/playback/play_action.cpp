#include "playback/play_action.h"

#include <vector>

#include "playback/action_string.h"

namespace playback {

void PlayAction(std::string_view textall, platform::KeyInjector& injector, const HoldFn& hold) {
    const auto keys = ParseActionString(textall);
    if (!keys) return;

    std::vector<std::uint8_t> down;
    auto releaseAll = [&] {
        while (!down.empty()) {
            injector.keyUp(down.back());
            down.pop_back();
        }
    };
    try {
        for (const std::uint8_t vk : *keys) {
            injector.keyDown(vk);
            down.push_back(vk);
        }
        hold(keys->size() == 1 ? kSingleKeyHoldMs : kCombinationHoldMs);
    } catch (...) {
        releaseAll();
        throw;
    }
    releaseAll();
}

}  // namespace playback
