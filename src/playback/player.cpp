#include "playback/player.h"

#include <cstdio>

#include <optional>

#include "platform/virtual_keys.h"
#include "playback/action_string.h"

namespace playback {

namespace {

bool opensMenusOnTap(int code) { return (mod::Of(code) & (mod::Alt | mod::Win)) != 0; }

// How often the restore looks again after changing keys: the user's hand may
// have moved meanwhile.
constexpr int kRestoreRounds = 4;

int modifiersOf(const std::vector<std::uint8_t>& keys) {
    int mods = 0;
    for (const std::uint8_t code : keys) mods |= mod::Of(code);
    return mods;
}

}  // namespace

void Player::clearForTarget(const std::vector<std::uint8_t>& keys) {
    const int targetMods = modifiersOf(keys);
    const platform::KeySet down = keyboard_->logicalDown();
    std::vector<std::uint8_t> clear;
    bool mask = false;
    for (const std::uint8_t code : vk::SidedModifiers) {
        if (!down[code] || (mod::Of(code) & targetMods)) continue;
        clear.push_back(code);
        letGo_ |= mod::Of(code);
        mask = mask || opensMenusOnTap(code);
    }
    // The hotkeys hear of the change before the keys make it, so that a chord
    // pressed in between is known either way.
    announceHeldModifiers(targetMods);
    if (mask) injector_.maskTap();
    for (const std::uint8_t code : clear) injector_.keyUp(code);
    // A target key that is down already would not go down again.
    for (const std::uint8_t code : keys)
        if (mod::Of(code) == 0 && down[code]) injector_.keyUp(code);
}

void Player::restore() {
    for (int round = 0; round < kRestoreRounds; ++round) {
        keyboard_->sync();
        const platform::KeySet logical = keyboard_->logicalDown();
        platform::KeySet want = keyboard_->physicalDown();
        for (const auto& keys : active_)
            for (const std::uint8_t code : keys) want.set(vk::Sided(code));

        bool changed = false;
        injector_.beginBatch();  // balanced below: nothing in between throws
        for (int code = 1; code < 256; ++code)
            if (logical[code] && !want[code]) {
                injector_.keyUp(static_cast<std::uint8_t>(code));
                changed = true;
            }
        // Only modifiers are pressed again. Another key still held is in
        // practice the trigger's own key, which the target pressed and released
        // too: a new press would type it or fire the trigger again, and its
        // hotkey takes the key's repeats until it comes up, so it may stay up.
        bool mask = false;
        for (const std::uint8_t code : vk::SidedModifiers) {
            if (logical[code] || !want[code]) continue;
            changed = injector_.keyDown(code) || changed;
            mask = mask || opensMenusOnTap(code);
        }
        if (mask) injector_.maskTap();
        injector_.endBatch();
        if (!changed) break;
    }
    letGo_ = 0;
    announceHeldModifiers();
}

void Player::announceHeldModifiers(int adding) {
    int mask = adding;
    for (const auto& keys : active_) mask |= modifiersOf(keys);
    if (mask == announced_ && letGo_ == announcedLetGo_) return;
    announced_ = mask;
    announcedLetGo_ = letGo_;
    if (onHeldModifiers) onHeldModifiers(mask, letGo_);
}

void Player::play(std::string_view action) {
    const auto keys = ParseActionString(action);
    if (!keys) return;
    // Sends its key events together when it ends, however it ends.
    struct Batch {
        explicit Batch(platform::KeyInjector& i) : injector(i) { injector.beginBatch(); }
        ~Batch() { injector.endBatch(); }
        platform::KeyInjector& injector;
    };

    // An index, not a reference: nested playbacks during the hold grow the list.
    active_.emplace_back();
    const std::size_t mine = active_.size() - 1;
    auto releaseAll = [&] {
        {
            Batch batch(injector_);
            // A modifier the user still holds stays down: letting go of it
            // would only make the restore below press it again.
            const platform::KeySet held = keyboard_ ? keyboard_->physicalDown() : platform::KeySet();
            auto& down = active_[mine];
            while (!down.empty()) {
                if (!(mod::Of(down.back()) && held[vk::Sided(down.back())])) injector_.keyUp(down.back());
                down.pop_back();
            }
        }
        active_.pop_back();
        announceHeldModifiers();
        if (keyboard_) restore();
    };
    try {
        std::optional<std::uint8_t> untypeable;
        {
            Batch batch(injector_);
            if (keyboard_) clearForTarget(*keys);
            else announceHeldModifiers(modifiersOf(*keys));
            for (const std::uint8_t code : *keys) {
                if (!injector_.keyDown(code)) {
                    untypeable = code;
                    break;
                }
                active_[mine].push_back(code);
            }
        }
        if (untypeable) {
            const std::string why =
                "key " + std::to_string(*untypeable) + " cannot be typed here; the target is cut short";
            if (onProblem) onProblem(why);
            else std::fprintf(stderr, "zorvane-change-hotkey: %s\n", why.c_str());
            releaseAll();
            return;
        }
        announceHeldModifiers();
        hold_(keys->size() == 1 ? kSingleKeyHoldMs : kCombinationHoldMs);
    } catch (...) {
        releaseAll();
        throw;
    }
    releaseAll();
}

void PlayAction(std::string_view textall, platform::KeyInjector& injector, const HoldFn& hold) {
    Player(injector, nullptr, hold).play(textall);
}

}  // namespace playback
