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
        return {};
    }
    physical_.set(vk, e.down);
    if (!e.down) {
        ownUp_.reset(vk);
        std::erase_if(taken_, [vk](const Claim& t) { return t.vk == vk; });
        return {};
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
    if (verdict.swallow || !letGo_) return verdict;
    // Only a chord some of whose modifiers were let go of: the system no
    // longer matches it, and may match another chord or none in its place.
    for (const Claim& c : chords_) {
        if ((c.vk == vk || c.vk == generic) && c.modKeyCode == mods && (c.modKeyCode & letGo_)) {
            verdict.swallow = true;
            verdict.pressFor = c.taker;
            break;
        }
    }
    return verdict;
}

void HeldKeys::check(const platform::KeySet& systemDown) {
    physical_ &= systemDown | checking_ | ownUp_;
    std::erase_if(taken_, [this](const Claim& t) { return !physical_[t.vk]; });
}

void HeldKeys::reset() {
    physical_.reset();
    ownUp_.reset();
    taken_.clear();
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
