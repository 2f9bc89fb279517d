#include "platform/x11/grab_set.h"

namespace x11 {

std::set<std::uint16_t> GrabSet::Wanted(const ChordTable& chords, const Layout& layout, Keycode kc) {
    std::set<std::uint16_t> mods;
    for (const Chord& c : chords.chords()) {
        if (!c.has(kc)) continue;
        for (const std::uint16_t state : chords.statesOf(c))
            for (const std::uint16_t v : layout.lockVariants(state)) mods.insert(v);
    }
    return mods;
}

GrabMods GrabSet::claim(Keycode kc, const std::vector<std::uint16_t>& combinations) {
    std::set<std::uint16_t>& have = grabbed_[kc];
    GrabMods grab;
    for (const std::uint16_t m : combinations) {
        grab.push_back(m);
        have.insert(m);
    }
    return grab;
}

GrabDiff GrabSet::update(Keycode kc, const std::set<std::uint16_t>& want, bool taken) {
    std::set<std::uint16_t>& have = grabbed_[kc];
    GrabDiff diff;
    for (const std::uint16_t m : want)
        if (!have.contains(m)) diff.grab.push_back(m);
    if (!taken)
        for (const std::uint16_t m : have)
            if (!want.contains(m)) diff.ungrab.push_back(m);
    for (const std::uint32_t m : diff.grab) have.insert(static_cast<std::uint16_t>(m));
    for (const std::uint32_t m : diff.ungrab) have.erase(static_cast<std::uint16_t>(m));
    if (have.empty()) grabbed_.erase(kc);
    return diff;
}

GrabMods GrabSet::shrinkFromAny(Keycode kc, const std::set<std::uint16_t>& want) {
    GrabMods others;
    if (want.empty()) {
        others = {kAnyModifiers};
        grabbed_.erase(kc);
        return others;
    }
    for (std::uint32_t m = 0; m <= kCoreModifiers; ++m)
        if (!want.contains(static_cast<std::uint16_t>(m))) others.push_back(m);
    grabbed_[kc] = want;
    return others;
}

std::set<Keycode> GrabSet::keys() const {
    std::set<Keycode> out;
    for (const auto& [kc, mods] : grabbed_) out.insert(kc);
    return out;
}

std::set<std::uint16_t> GrabSet::of(Keycode kc) const {
    const auto it = grabbed_.find(kc);
    return it == grabbed_.end() ? std::set<std::uint16_t>{} : it->second;
}

}  // namespace x11
