#pragma once
#include <functional>
#include <string_view>

#include "platform/key_injector.h"

namespace playback {

// Holds the pressed keys for the given number of milliseconds.
using HoldFn = std::function<void(int milliseconds)>;

inline constexpr int kSingleKeyHoldMs = 100;
inline constexpr int kCombinationHoldMs = 200;

// Plays an action string: presses its keys in order, holds them (100 ms for
// one key, 200 ms for two or three), releases them in reverse order. A string
// that plays nothing presses nothing. Should the hold fail, every key already
// pressed is released, in reverse order, before the error goes on to the caller.
void PlayAction(std::string_view textall, platform::KeyInjector& injector, const HoldFn& hold);

}  // namespace playback
