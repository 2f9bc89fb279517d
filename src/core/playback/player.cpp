#include "core/playback/player.h"

#include <algorithm>
#include <optional>

#include "core/diag/diag.h"
#include "core/keys/virtual_keys.h"
#include "core/playback/action_string.h"

namespace playback {

namespace {

// How often the restore looks again after changing keys: the user's hand may
// have moved meanwhile.
constexpr int kRestoreRounds = 4;

mod::Mask modifiersOf(const std::vector<std::uint8_t>& keys) {
    mod::Mask mods;
    for (const std::uint8_t code : keys) mods |= mod::Mask::of(code);
    return mods;
}

// The key of a target's modifier (generic or sided) that is down already,
// either side of a generic one; 0 when none is.
std::uint8_t sideDown(std::uint8_t code, const platform::KeySet& down) {
    if (!mod::Mask::of(code)) return 0;
    if (down[code]) return code;
    if (vk::Sided(code) == code) return 0;
    for (const std::uint8_t sided : vk::SidedModifiers)
        if (down[sided] && mod::Mask::of(sided) == mod::Mask::of(code)) return sided;
    return 0;
}

// The sided keys of a target's modifiers: both sides of a generic one.
platform::KeySet modifierKeysOf(const std::vector<std::uint8_t>& keys) {
    platform::KeySet sides;
    for (const std::uint8_t code : keys)
        for (const std::uint8_t side : vk::SidedModifiers)
            if (side == code || (vk::Sided(code) != code && mod::Mask::of(side) == mod::Mask::of(code)))
                sides.set(side);
    return sides;
}

}  // namespace

platform::KeySet Player::clearForTarget(const std::vector<std::uint8_t>& keys,
                                        const std::optional<platform::KeySet>& held) {
    const mod::Mask targetMods = modifiersOf(keys);
    platform::KeySet down = keyboard_->logicalDown();
    std::vector<std::uint8_t> clear;
    for (const std::uint8_t code : vk::SidedModifiers) {
        if (!down[code] || (mod::Mask::of(code) & targetMods)) continue;
        clear.push_back(code);
        letGo_ |= mod::Mask::of(code);
    }
    // The hotkeys hear of the change before the keys make it, so that a chord
    // pressed in between is known either way.
    announceHeldModifiers(targetMods);
    if (!clear.empty()) injector_.maskTap();
    for (const std::uint8_t code : clear) injector_.keyUp(code);
    // A target key that is down already would not go down again.
    for (const std::uint8_t code : keys)
        if (!mod::Mask::of(code) && down[code]) injector_.keyUp(code);
    // The target's modifiers that stay down are those the hold found held
    // (a release on its way when it began is not).
    if (held) {
        const platform::KeySet sides = modifierKeysOf(keys);
        down &= ~sides;
        down |= *held & sides;
    }
    return down;
}

void Player::restore() {
    for (int round = 0; round < kRestoreRounds; ++round) {
        keyboard_->sync();
        const platform::KeySet logical = keyboard_->logicalDown();
        const platform::KeySet held = keyboard_->physicalDown();

        std::vector<std::uint8_t> up, down;
        for (int code = 1; code < 256; ++code)
            if (logical[code] && !held[code]) up.push_back(static_cast<std::uint8_t>(code));
        // Only modifiers are pressed again. Another key still held is in
        // practice the trigger's own key, which the target pressed and released
        // too: a new press would type it or fire the trigger again, and its
        // hotkey takes the key's repeats until it comes up, so it may stay up.
        for (const std::uint8_t code : vk::SidedModifiers)
            if (!logical[code] && held[code]) down.push_back(code);
        if (up.empty() && down.empty()) break;

        injector_.beginBatch();  // balanced below: nothing in between throws
        if (std::any_of(up.begin(), up.end(), [](std::uint8_t code) { return bool(mod::Mask::of(code)); }))
            injector_.maskTap();
        for (const std::uint8_t code : up) injector_.keyUp(code);
        bool pressed = false;
        for (const std::uint8_t code : down) pressed = injector_.keyDown(code) || pressed;
        if (pressed) injector_.maskTap();
        injector_.endBatch();
        if (up.empty() && !pressed) break;
    }
    letGo_ = {};
    announceHeldModifiers();
}

void Player::announceHeldModifiers(mod::Mask adding) {
    const mod::Mask mask = adding | modifiersOf(down_);
    if (mask == announced_ && letGo_ == announcedLetGo_) return;
    announced_ = mask;
    announcedLetGo_ = letGo_;
    if (onHeldModifiers) onHeldModifiers(mask, letGo_);
}

void Player::releaseOwed() {
    if (owed_.empty() || !injector_.reachesFocus()) return;
    std::vector<Owed> owed;
    owed.swap(owed_);
    // What the user holds, or the running playback holds, stays down; a key
    // the user pressed since, unseen, is the user's.
    platform::KeySet keep, logical;
    if (keyboard_) {
        keep = keyboard_->physicalDown();
        logical = keyboard_->logicalDown();
    }
    for (const std::uint8_t code : down_) keep.set(vk::Sided(code));
    std::vector<std::uint8_t> up;
    for (auto it = owed.rbegin(); it != owed.rend(); ++it) {
        const bool down = mod::Mask::of(it->code) ? sideDown(it->code, logical) != 0 : logical[it->code];
        const bool stillOwed = !keyboard_ || platform::StillOwed(it->seen, keyboard_->history(it->code), down);
        if (stillOwed && !sideDown(it->code, keep)) up.push_back(it->code);
    }
    if (up.empty()) return;
    injector_.beginBatch();
    if (std::any_of(up.begin(), up.end(), [](std::uint8_t code) { return static_cast<bool>(mod::Mask::of(code)); }))
        injector_.maskTap();
    for (const std::uint8_t code : up) injector_.keyUp(code);
    injector_.endBatch();
}

void Player::problem(const std::string& why) {
    if (onProblem)
        onProblem(why);
    else
        diag::Report(why);
}

void Player::play(std::string_view action) {
    if (playing_) return problem("a target was asked for while another played; it is not played");
    const auto keys = ParseActionString(action);
    if (!keys) return;
    releaseOwed();
    if (const Result reach = injector_.reachesFocus(); !reach) {
        diag::Notify(diag::Cause::TargetRefused, "a target was not played: " + reach.why());
        return;
    }
    // Sends its key events together when it ends, however it ends.
    struct Batch {
        explicit Batch(platform::KeyInjector& i) : injector(i) { injector.beginBatch(); }
        ~Batch() { injector.endBatch(); }
        platform::KeyInjector& injector;
    };

    // What is let go of and pressed is decided from every key event up to
    // now (keys typed in the same instant as the trigger), once the record of
    // the user's keys is checked against the system.
    if (keyboard_) keyboard_->reconcile();

    // Free again however the playback ends.
    struct Playing {
        explicit Playing(bool& flag) : flag(flag) { flag = true; }
        ~Playing() { flag = false; }
        bool& flag;
    } playing(playing_);
    // The user's releases of the target's modifiers are held back until its keys are up.
    const std::optional<platform::KeySet> held =
        keyboard_ ? keyboard_->holdReleases(modifierKeysOf(*keys)) : std::nullopt;
    auto releaseAll = [&] {
        // A window that came forward during the hold and drops the program's
        // keys would leave these down: they are owed until they can arrive.
        const bool reachable = injector_.reachesFocus().ok();
        {
            Batch batch(injector_);
            // A modifier the user still holds stays down: letting go of it
            // would only have the restore below press it again.
            const platform::KeySet keep = keyboard_ ? keyboard_->physicalDown() : platform::KeySet();
            while (!down_.empty()) {
                const std::uint8_t code = down_.back();
                if (!sideDown(code, keep)) {
                    if (reachable)
                        injector_.keyUp(code);
                    else
                        owed_.insert(owed_.begin(), {code, keyboard_ ? keyboard_->history(code) : Owed{}.seen});
                }
                down_.pop_back();
            }
        }
        announceHeldModifiers();
        if (reachable && keyboard_) restore();
        if (keyboard_) keyboard_->holdReleases({});
        if (!reachable)
            diag::Notify(diag::Cause::TargetRefused,
                         "a window that takes none of the program's keys came forward during a target; its keys are "
                         "let go of as soon as they can be");
    };
    try {
        std::optional<std::uint8_t> untypeable;
        {
            Batch batch(injector_);
            platform::KeySet down;
            if (keyboard_)
                down = clearForTarget(*keys, held);
            else
                announceHeldModifiers(modifiersOf(*keys));
            bool onlyModifiers = true;
            for (std::uint8_t code : *keys) {
                // A modifier down already is made sure of rather than pressed:
                // the user may let go of it while this decides.
                if (const std::uint8_t side = sideDown(code, down)) {
                    code = side;
                    injector_.ensureDown(code);
                } else if (!injector_.keyDown(code)) {
                    untypeable = code;
                    break;
                }
                down_.push_back(code);
                onlyModifiers = onlyModifiers && mod::Mask::of(code);
            }
            // Cut short after its modifiers: their release would be a modifier
            // tap of the program's own.
            if (untypeable && onlyModifiers && !down_.empty()) injector_.maskTap();
        }
        if (untypeable) {
            problem("key " + std::to_string(*untypeable) + " cannot be typed here; the target is cut short");
            releaseAll();
            return;
        }
        announceHeldModifiers();
        // The hold starts when the keys are down where the application is.
        injector_.settle();
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
