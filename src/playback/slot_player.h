#pragma once
// Plays a slot's target when its trigger fires. A trigger whose own playback
// is still holding its keys is not started again inside it: holding a trigger
// down would otherwise nest playbacks without bound. Other slots may nest.

#include <array>
#include <functional>
#include <string>

namespace playback {

class SlotPlayer {
public:
    using PlayFn = std::function<void(const std::string& action)>;
    explicit SlotPlayer(PlayFn play) : play_(std::move(play)) {}

    // False when the slot's playback was already running and this trigger was skipped.
    bool trigger(int slot, const std::string& action);

private:
    PlayFn play_;
    std::array<bool, 10> playing_{};
};

}  // namespace playback
