#include "platform/x11/key_ledger.h"

#include <algorithm>

namespace x11 {

namespace {

bool sequenceBefore(std::uint16_t a, std::uint16_t b) { return static_cast<std::int16_t>(a - b) < 0; }

}  // namespace

void KeyLedger::seed(const KeyBits& logical, const KeyBits& onKeyboards, const KeyBits& onInjection) {
    logical_ = logical;
    injected_ = onInjection;
    // Keys another program injected are held while applications see them
    // down; one that came up for them (its user let go of it) is a leftover
    // of the injection device.
    held_ = onKeyboards | (onInjection & logical);
}

void KeyLedger::announce(std::uint16_t sequence, Keycode kc, bool press) {
    injections_.push_back({sequence, kc, press});
    if (injections_.size() > kInjectionsKept) injections_.pop_front();
}

KeySource KeyLedger::attribute(const RawKey& key) {
    if (key.from == RawKey::From::Keyboard) return KeySource::Keyboard;
    if (key.from == RawKey::From::NewXTest) return KeySource::OtherInjection;
    // Ours when it answers the oldest of our injections still waiting for
    // this key event. An event comes while its request is carried out, so it
    // bears that request's number, or, when a grab had frozen the keyboard,
    // later, bearing the number of whatever request let it go; it never bears
    // an earlier one.
    const auto it = std::find_if(injections_.begin(), injections_.end(), [&](const Injection& i) {
        return i.kc == key.kc && i.press == key.press && !sequenceBefore(key.sequence, i.sequence);
    });
    if (it == injections_.end()) return KeySource::OtherInjection;
    injections_.erase(injections_.begin(), it + 1);  // those before it made no event
    return KeySource::Ours;
}

KeyLedger::Seen KeyLedger::onRaw(const RawKey& key) {
    const Keycode kc = key.kc;
    const KeySource source = attribute(key);
    const bool unseen = key.press && logical_[kc] && !held_[kc];
    if (source != KeySource::Ours) {
        if (key.press)
            repeats_.set(kc, held_[kc] || (lastRelease_[kc] != 0 && key.time - lastRelease_[kc] <= kForwardedHalvesMs));
        else
            lastRelease_[kc] = key.time;
    }
    logical_.set(kc, key.press);
    if (source != KeySource::Ours) held_.set(kc, key.press);
    if (source != KeySource::Keyboard) injected_.set(kc, key.press);
    if (key.press) {
        presses_.push_back({kc, key.time, source});
        if (presses_.size() > kPressesKept) presses_.pop_front();
    }
    return {source, unseen};
}

KeySource KeyLedger::sourceOf(Keycode kc, std::uint32_t time) {
    // The server handles the raw event of a key before any grab sees it, and
    // keeps presses in order, so a grabbed press is the oldest press of that
    // key at that time not yet accounted for.
    for (std::size_t i = 0; i < presses_.size(); ++i) {
        if (presses_[i].kc != kc || presses_[i].time != time) continue;
        const KeySource source = presses_[i].source;
        // Older presses of the key went elsewhere; they are done with.
        std::deque<RawPress> rest;
        for (std::size_t j = 0; j < presses_.size(); ++j)
            if (j > i || presses_[j].kc != kc) rest.push_back(presses_[j]);
        presses_.swap(rest);
        return source;
    }
    // No raw event: a repeat the server made of a key held down on a keyboard.
    return KeySource::Keyboard;
}

void KeyLedger::reconcile(const std::optional<KeyBits>& logical, const std::optional<KeyBits>& onKeyboards,
                          const std::optional<KeyBits>& onInjection, const KeyBits& later) {
    // Events the server sent after the answers describe a later state than
    // theirs: the keys they are about keep what the events made of them.
    KeyBits server;
    server.set();
    if (logical) {
        server = *logical;
        logical_ = (logical_ & later) | (server & ~later);
    }
    // Held by the user's hand, or by another program's injection while
    // applications see it down.
    if (onKeyboards && onInjection) held_ &= *onKeyboards | (*onInjection & server) | later;
    if (onInjection) injected_ = (injected_ & later) | (*onInjection & ~later);
}

}  // namespace x11
