#pragma once
// Playing a target so that the focused application receives exactly the
// target's shortcut, however much of the trigger the user still holds, and so
// that no key is left down:
//   1. every modifier that is down but not part of the target is released
//      first (behind a masking key event when it is Alt or the Windows key, so
//      that the release is not a lone tap that opens a menu);
//   2. the target is pressed, held and released in its own order;
//   3. every key's state is brought back to what the user physically holds:
//      modifiers still held are pressed again, keys let go of stay up.
// Nested playbacks (another slot's trigger during a hold) keep the keys the
// outer playbacks are holding.

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/key_injector.h"
#include "platform/keyboard_state.h"
#include "playback/play_action.h"

namespace playback {

class ExactDelivery {
public:
    ExactDelivery(platform::KeyInjector& injector, platform::KeyboardState& state, HoldFn hold)
        : injector_(injector), state_(state), hold_(std::move(hold)) {}

    void play(std::string_view action);

    // Told the modifiers that running playbacks hold down, as a chord's mask
    // (1 Alt, 2 Ctrl, 4 Shift, 8 Win), whenever they change: a trigger the user
    // presses meanwhile comes with them added.
    std::function<void(int modKeyCode)> onHeldModifiers;
    // Told just before the target's presses (true) and just after (false): a
    // key the program presses now is its own, though the user may hold it too.
    std::function<void(bool)> onInjecting;

    // Modifier classes of virtual-key codes: 0 none, else one of the bits below.
    enum ModifierClass { kShift = 1, kCtrl = 2, kAlt = 4, kWin = 8 };
    static int modifierClass(int vk);
    // The key that a generic Shift, Ctrl or Alt is typed with (the left one).
    static std::uint8_t sided(std::uint8_t vk);

private:
    void clearModifiersOutside(int targetClasses);
    void restore();
    void announceHeldModifiers();

    platform::KeyInjector& injector_;
    platform::KeyboardState& state_;
    HoldFn hold_;
    std::vector<std::vector<std::uint8_t>> active_;  // keys held by running playbacks, outermost first
    int announced_ = 0;
};

}  // namespace playback
