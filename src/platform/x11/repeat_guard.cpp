#include "platform/x11/repeat_guard.h"

namespace x11 {

void RepeatGuard::start(Keycode kc, bool held, Clock::time_point now) {
    taking_[kc] = held ? std::nullopt : std::optional(now + kLetGoSettle);
}

bool RepeatGuard::onUserKey(Keycode kc, bool press, Clock::time_point now) {
    const auto it = taking_.find(kc);
    if (it == taking_.end()) return false;
    if (press) {
        it->second.reset();
        return false;
    }
    it->second = now + kLetGoSettle;
    return true;
}

std::optional<RepeatGuard::Clock::time_point> RepeatGuard::nextLetGo() const {
    std::optional<Clock::time_point> next;
    for (const auto& [kc, at] : taking_)
        if (at && (!next || *at < *next)) next = at;
    return next;
}

std::vector<Keycode> RepeatGuard::letGo(Clock::time_point now) {
    std::vector<Keycode> done;
    for (auto it = taking_.begin(); it != taking_.end();) {
        if (it->second && *it->second <= now) {
            done.push_back(it->first);
            it = taking_.erase(it);
        } else {
            ++it;
        }
    }
    return done;
}

std::set<Keycode> RepeatGuard::keys() const {
    std::set<Keycode> out;
    for (const auto& [kc, at] : taking_) out.insert(kc);
    return out;
}

}  // namespace x11
