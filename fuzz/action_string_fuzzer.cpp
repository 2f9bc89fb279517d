// Any text as an action string: nothing crashes, and every key pressed is released.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/playback/action_string.h"
#include "core/playback/player.h"
#include "platform/fake/recording_injector.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    platform::RecordingInjector injector;
    int held = -1;
    playback::PlayAction(text, injector, [&](int ms) {
        if (ms != 100 && ms != 200) __builtin_trap();
        held = static_cast<int>(injector.events.size());
    });
    const auto keys = playback::ParseActionString(text);
    if (!keys) {
        if (!injector.events.empty()) __builtin_trap();
        return 0;
    }
    // Presses in order, the hold, releases in reverse order.
    const std::size_t n = keys->size();
    if (n < 1 || n > 3 || injector.events.size() != 2 * n || held != static_cast<int>(n)) __builtin_trap();
    for (std::size_t i = 0; i < n; ++i) {
        if (injector.events[i] != "+" + std::to_string((*keys)[i])) __builtin_trap();
        if (injector.events[2 * n - 1 - i] != "-" + std::to_string((*keys)[i])) __builtin_trap();
    }
    return 0;
}
