#include "playback/exact_delivery.h"

#include "playback/action_string.h"

namespace playback {

namespace {

constexpr std::uint8_t kSidedModifiers[] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 91, 92};

bool opensMenusOnTap(int vk) {
    const int c = ExactDelivery::modifierClass(vk);
    return c == ExactDelivery::kAlt || c == ExactDelivery::kWin;
}

}  // namespace

int ExactDelivery::modifierClass(int vk) {
    switch (vk) {
        case 16: case 0xA0: case 0xA1: return kShift;
        case 17: case 0xA2: case 0xA3: return kCtrl;
        case 18: case 0xA4: case 0xA5: return kAlt;
        case 91: case 92: return kWin;
        default: return 0;
    }
}

std::uint8_t ExactDelivery::sided(std::uint8_t vk) {
    switch (vk) {
        case 16: return 0xA0;
        case 17: return 0xA2;
        case 18: return 0xA4;
        default: return vk;
    }
}

void ExactDelivery::clearModifiersOutside(int targetClasses) {
    const platform::KeySet down = state_.logicalDown();
    std::vector<std::uint8_t> clear;
    bool mask = false;
    for (const std::uint8_t vk : kSidedModifiers) {
        if (!down[vk] || (modifierClass(vk) & targetClasses)) continue;
        clear.push_back(vk);
        mask = mask || opensMenusOnTap(vk);
    }
    if (mask) injector_.maskTap();
    for (const std::uint8_t vk : clear) injector_.keyUp(vk);
}

void ExactDelivery::restore() {
    const platform::KeySet logical = state_.logicalDown();
    platform::KeySet want = state_.physicalDown();
    for (const auto& keys : active_)
        for (const std::uint8_t vk : keys) want.set(sided(vk));

    for (int vk = 1; vk < 256; ++vk)
        if (logical[vk] && !want[vk]) injector_.keyUp(static_cast<std::uint8_t>(vk));
    // Only modifiers are pressed again. Another key still held is in practice
    // the trigger's own key, which the target pressed and released too: a new
    // press would type it or fire the trigger again, and its hotkey takes the
    // key's repeats until it comes up, so it may stay up.
    bool mask = false;
    for (const std::uint8_t vk : kSidedModifiers) {
        if (logical[vk] || !want[vk]) continue;
        injector_.keyDown(vk);
        mask = mask || opensMenusOnTap(vk);
    }
    if (mask) injector_.maskTap();
}

void ExactDelivery::announceHeldModifiers() {
    int mask = 0;
    for (const auto& keys : active_)
        for (const std::uint8_t vk : keys) {
            const int c = modifierClass(vk);
            if (c == kAlt) mask |= 1;
            if (c == kCtrl) mask |= 2;
            if (c == kShift) mask |= 4;
            if (c == kWin) mask |= 8;
        }
    if (mask == announced_) return;
    announced_ = mask;
    if (onHeldModifiers) onHeldModifiers(mask);
}

void ExactDelivery::play(std::string_view action) {
    const auto keys = ParseActionString(action);
    if (!keys) return;
    int targetClasses = 0;
    for (const std::uint8_t vk : *keys) targetClasses |= modifierClass(vk);

    clearModifiersOutside(targetClasses);
    // A target key that is down already (the trigger's own key, held) would
    // not go down again: let it go first.
    const platform::KeySet down = state_.logicalDown();
    for (const std::uint8_t vk : *keys)
        if (modifierClass(vk) == 0 && down[vk]) injector_.keyUp(vk);
    // An index, not a reference: nested playbacks during the hold grow the list.
    active_.emplace_back();
    const std::size_t mine = active_.size() - 1;
    auto releaseAll = [&] {
        auto& down = active_[mine];
        while (!down.empty()) {
            injector_.keyUp(down.back());
            down.pop_back();
        }
        active_.pop_back();
        announceHeldModifiers();
        restore();
    };
    try {
        if (onInjecting) onInjecting(true);
        for (const std::uint8_t vk : *keys) {
            injector_.keyDown(vk);
            active_[mine].push_back(vk);
        }
        if (onInjecting) onInjecting(false);
        announceHeldModifiers();
        hold_(keys->size() == 1 ? kSingleKeyHoldMs : kCombinationHoldMs);
    } catch (...) {
        releaseAll();
        throw;
    }
    releaseAll();
}

}  // namespace playback
