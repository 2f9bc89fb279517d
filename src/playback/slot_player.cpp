#include "playback/slot_player.h"

namespace playback {

bool SlotPlayer::trigger(int slot, const std::string& action) {
    if (slot < 0 || slot >= static_cast<int>(playing_.size())) return false;
    if (playing_[slot]) return false;
    playing_[slot] = true;
    try {
        play_(action);
    } catch (...) {
        playing_[slot] = false;
        throw;
    }
    playing_[slot] = false;
    return true;
}

}  // namespace playback
