#include "core/playback/slot_player.h"

#include <algorithm>
#include <exception>

namespace playback {

bool SlotPlayer::busyWith(int slot) const {
    return playing_ == slot ||
           std::any_of(waiting_.begin(), waiting_.end(), [slot](const Pending& p) { return p.slot == slot; });
}

SlotPlayer::Outcome SlotPlayer::trigger(int slot, const std::string& action, bool repeat) {
    if (slot < 0 || slot >= kSlots) return Outcome::Dropped;
    if (playing_ >= 0) {
        if (repeat && busyWith(slot)) return Outcome::Dropped;
        if (waiting_.size() >= kMaxWaiting) {
            if (onDropped) onDropped(slot);
            return Outcome::Dropped;
        }
        waiting_.push_back({slot, action});
        return Outcome::Waiting;
    }
    std::exception_ptr failure;
    for (Pending next{slot, action};;) {
        playing_ = next.slot;
        try {
            play_(next.action);
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
        if (waiting_.empty()) break;
        next = std::move(waiting_.front());
        waiting_.pop_front();
    }
    playing_ = -1;
    if (failure) std::rethrow_exception(failure);
    return Outcome::Played;
}

}  // namespace playback
