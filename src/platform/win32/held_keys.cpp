#include "platform/win32/held_keys.h"

#include <algorithm>

#include "core/keys/virtual_keys.h"

namespace win32 {

namespace {
// The right Shift's scan code: both Shift keys come without the extended flag.
constexpr std::uint32_t kRightShiftScanCode = 0x36;
}  // namespace

std::uint8_t HeldKeys::sidedVk(std::uint32_t vk, std::uint32_t scanCode, bool extended) {
    switch (vk) {
        case vk::Shift: return scanCode == kRightShiftScanCode ? vk::RShift : vk::LShift;
        case vk::Control: return extended ? vk::RControl : vk::LControl;
        case vk::Menu: return extended ? vk::RMenu : vk::LMenu;
        default: return static_cast<std::uint8_t>(vk & 0xFF);
    }
}

mod::Mask HeldKeys::physicalModifiers() const {
    mod::Mask mask;
    for (const std::uint8_t code : vk::SidedModifiers)
        if (physical_[code]) mask |= mod::Mask::of(code);
    return mask;
}

HeldKeys::Verdict HeldKeys::onKey(const KeyEvent& e) {
    const std::uint8_t vk = sidedVk(e.vk, e.scanCode, e.extended);
    checking_.set(vk);
    // The program's own keys pass.
    if (e.injected && e.extraInfo == kOwnMark) {
        ownUp_.set(vk, !e.down);
        if (e.down) return {};
        heldBack_.reset(vk);
        Verdict verdict;
        // A chord's mask tap has reached the system: the releases it held back may follow.
        if (vk == vk::Unassigned && triggerHold_.any()) verdict.letGo = endTriggerHold();
        return verdict;
    }
    History& seen = history_[vk];
    ++(e.down ? seen.presses : seen.releases);
    if (!e.down) {
        const bool held = physical_[vk];
        physical_.reset(vk);
        std::erase_if(taken_, [vk](const Claim& t) { return t.vk == vk; });
        if (held && (triggerHold_ | playbackHold_)[vk]) {
            ownUp_.reset(vk);
            heldBack_.set(vk);
            return {.swallow = true};
        }
        // Let go of by the program already: a second release would reach the
        // application on its own, in the middle of a target.
        if (ownUp_[vk]) return {.swallow = true};
        return {};
    }
    physical_.set(vk);
    // Pressed again while its release was held back: for the system it never came up.
    if (heldBack_[vk]) {
        heldBack_.reset(vk);
        return {.swallow = true};
    }
    const Verdict verdict = pressed(vk, e.vk);
    // A press taken here never reaches the system: what it knows of the key stays.
    if (!verdict.swallow) ownUp_.reset(vk);
    return verdict;
}

HeldKeys::Verdict HeldKeys::pressed(std::uint8_t vk, std::uint32_t generic) {
    Verdict verdict;
    const mod::Mask mods = physicalModifiers();
    for (const Claim& t : taken_) {
        if (t.vk != vk) continue;
        verdict.swallow = true;
        if (t.modKeyCode == mods) verdict.repeatFor.push_back(t.taker);
    }
    if (verdict.swallow) return verdict;
    for (const Claim& c : chords_) {
        if ((c.vk != vk && c.vk != generic) || c.modKeyCode != mods) continue;
        // Some of its modifiers were let go of: the system no longer matches
        // the chord, and may match another chord or none in its place.
        if (c.modKeyCode & letGo_) {
            verdict.swallow = true;
            verdict.pressFor = c.taker;
            return verdict;
        }
        // The system's hotkey takes the key: the application saw only the
        // modifiers go down, and must not see them come up alone.
        if (c.modKeyCode) {
            verdict.maskTap = true;
            for (const std::uint8_t code : vk::SidedModifiers)
                if (physical_[code] && (mod::Mask::of(code) & mods)) triggerHold_.set(code);
        }
    }
    return verdict;
}

platform::KeySet HeldKeys::unheld() {
    const platform::KeySet out = heldBack_ & ~(triggerHold_ | playbackHold_);
    heldBack_ &= ~out;
    return out;
}

HeldKeys::Hold HeldKeys::holdReleases(const platform::KeySet& keys) {
    playbackHold_ = keys;
    return {(physical_ | heldBack_) & keys, unheld()};
}

platform::KeySet HeldKeys::endTriggerHold() {
    triggerHold_.reset();
    return unheld();
}

HeldKeys::History HeldKeys::history(std::uint8_t vk) const {
    if (vk::Sided(vk) == vk) return history_[vk];
    // A generic Shift, Ctrl or Alt: either side.
    History sum;
    for (const std::uint8_t code : vk::SidedModifiers)
        if (mod::Mask::of(code) == mod::Mask::of(vk)) {
            sum.presses += history_[code].presses;
            sum.releases += history_[code].releases;
        }
    return sum;
}

void HeldKeys::check(const platform::KeySet& systemDown) {
    physical_ &= systemDown | checking_ | ownUp_;
    std::erase_if(taken_, [this](const Claim& t) { return !physical_[t.vk]; });
}

bool HeldKeys::take(std::uintptr_t taker, std::uint8_t vk, mod::Mask modKeyCode) {
    if (!physical_[vk]) return false;
    drop(taker);
    taken_.push_back({taker, vk, modKeyCode});
    return true;
}

void HeldKeys::drop(std::uintptr_t taker) {
    std::erase_if(taken_, [taker](const Claim& t) { return t.taker == taker; });
}

void HeldKeys::listen(std::uintptr_t taker, std::uint8_t vk, mod::Mask modKeyCode) {
    forget(taker);
    chords_.push_back({taker, vk, modKeyCode});
}

void HeldKeys::forget(std::uintptr_t taker) {
    std::erase_if(chords_, [taker](const Claim& t) { return t.taker == taker; });
}

bool HeldKeys::taking(std::uintptr_t taker) const {
    return std::any_of(taken_.begin(), taken_.end(), [taker](const Claim& t) { return t.taker == taker; });
}

}  // namespace win32
