#pragma once
// Plays a slot's target when its trigger fires, one playback at a time. A
// trigger pressed while a playback runs (its own slot's or another's) waits
// and is played as soon as the running one has let go of its keys, in the
// order pressed: nested, it would press keys the running target holds down,
// and dropped, a quick double tap would undo once.
//
// A held trigger must not pile up: its key repeats are not pressed anew, so
// a repeat is dropped while its own slot is playing or waiting. Held, a
// trigger then plays back to back, and nothing is left to play once it is let
// go of. Fresh presses all wait, up to kMaxWaiting (more than anyone types
// during a few playbacks); one beyond that is dropped and said so.

#include <deque>
#include <functional>
#include <string>

namespace playback {

class SlotPlayer {
public:
    static constexpr int kSlots = 10;
    static constexpr std::size_t kMaxWaiting = 16;
    using PlayFn = std::function<void(const std::string& action)>;
    explicit SlotPlayer(PlayFn play) : play_(std::move(play)) {}

    enum class Outcome { Played, Waiting, Dropped };
    // `repeat`: a key repeat of the trigger, held since its last press. When
    // nothing is playing, plays now, then whatever came meanwhile; a playback
    // that fails ends with its error after the others have played.
    Outcome trigger(int slot, const std::string& action, bool repeat = false);

    // Told when a trigger is dropped because too many wait.
    std::function<void(int slot)> onDropped;
    // The slot being played, or -1.
    int playing() const { return playing_; }

private:
    struct Pending {
        int slot;
        std::string action;
    };
    bool busyWith(int slot) const;

    PlayFn play_;
    int playing_ = -1;  // the slot being played, or -1
    std::deque<Pending> waiting_;
};

}  // namespace playback
