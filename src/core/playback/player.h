#pragma once
// Playing a slot's target: its keys pressed in order, held, released in
// reverse order. Every trigger plays through here, one target at a time
// (SlotPlayer queues the triggers that come during a hold).
//
// Where the system can tell which keys are down, the focused application
// receives exactly the target's shortcut, however much of the trigger the user
// still holds, and no key is left down:
//   1. every modifier that is down but not part of the target is released
//      first, and a target key that is down already (the trigger's own key,
//      held) is let go of;
//   2. the target is pressed, held and released in its own order, but for
//      its modifiers that are down already, which stay as they are (made
//      sure of, not pressed again);
//   3. every key is brought back to what the user holds: modifiers still held
//      are pressed again, keys let go of stay up.
// Input methods and shells act on a modifier pressed and released alone
// (Shift alone switches Chinese and English, Ctrl+Shift the input method, Alt
// opens menus, Win the start menu). So no modifier goes up or down by the
// program's hand alone: a key event that nothing acts on (a mask tap) comes
// just before the program lets go of modifiers the user holds and just after
// it presses them again, and a modifier already down is not pressed again.
// Where the system lets the program hold back the user's releases, a
// modifier the target shares with the user cannot come up between the check
// and the target's keys: its release waits until the target's keys are up.
// Without a keyboard state the keys are played as they stand.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/keys/virtual_keys.h"
#include "core/services/key_injector.h"
#include "core/services/keyboard_state.h"

namespace playback {

// Holds the pressed keys for the given number of milliseconds.
using HoldFn = std::function<void(int milliseconds)>;

inline constexpr int kSingleKeyHoldMs = 100;
inline constexpr int kCombinationHoldMs = 200;

class Player {
public:
    Player(platform::KeyInjector& injector, platform::KeyboardState* keyboard, HoldFn hold)
        : injector_(injector), keyboard_(keyboard), hold_(std::move(hold)) {}

    // A string that plays nothing presses nothing. Should the hold fail, or a
    // key turn out not to be typeable, every key already pressed is released
    // (and the error goes on to the caller). A call while a target plays (from
    // its hold) is a fault of the caller's: it plays nothing, and says so.
    void play(std::string_view action);

    // Told, as chord masks, whenever they change: the modifiers that the
    // playback holds down, and those it has let go of that may still be in
    // the user's hand. A trigger the user presses meanwhile comes with the
    // first added and without the second.
    std::function<void(mod::Mask held, mod::Mask letGo)> onHeldModifiers;
    // Told why a target was cut short (a key this system cannot type) or not played.
    std::function<void(const std::string& why)> onProblem;

    // A window the program's keys cannot reach (see KeyInjector::reachesFocus)
    // gets no target at all, and the user is told. One that comes forward
    // during the hold (the target itself may open it) would drop the
    // releases: they are kept, and sent here, at the next chance (a change of
    // focus, the next playback, the program's end), once they can arrive.
    void releaseOwed();
    bool owesReleases() const { return !owed_.empty(); }

private:
    // Returns the keys down before it changed anything, as the target's keys
    // are to count them: its modifiers as the hold on their releases found them.
    platform::KeySet clearForTarget(const std::vector<std::uint8_t>& keys, const std::optional<platform::KeySet>& held);
    void restore();
    void announceHeldModifiers(mod::Mask adding = {});
    void problem(const std::string& why);

    platform::KeyInjector& injector_;
    platform::KeyboardState* keyboard_;
    HoldFn hold_;
    bool playing_ = false;
    std::vector<std::uint8_t> down_;  // the keys the playback holds, in the order pressed
    mod::Mask letGo_;                 // modifiers let go of for a target, until the restore
    mod::Mask announced_, announcedLetGo_;
    struct Owed {
        std::uint8_t code;
        platform::KeyboardState::History seen;  // the user's events of the key when its release was dropped
    };
    std::vector<Owed> owed_;  // pressed by this player, their releases not yet delivered
};

// Plays an action string as its keys stand, with no keyboard state.
void PlayAction(std::string_view textall, platform::KeyInjector& injector, const HoldFn& hold);

}  // namespace playback
