#pragma once
// Plays a slot's target when its trigger fires. A trigger whose own playback
// is still holding its keys is not started again inside it: holding a trigger
// down would otherwise nest playbacks without bound. Other slots may nest.

#include <array>
#include <functional>
#include <string>

#include "platform/key_injector.h"
#include "playback/play_action.h"

namespace playback {

class SlotPlayer {
public:
    SlotPlayer(platform::KeyInjector& injector, HoldFn hold) : injector_(injector), hold_(std::move(hold)) {}

    // False when the slot's playback was already running and this trigger was skipped.
    bool trigger(int slot, const std::string& action);

private:
    platform::KeyInjector& injector_;
    HoldFn hold_;
    std::array<bool, 10> playing_{};
};

}  // namespace playback
