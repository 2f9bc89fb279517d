#include "platform/x11/chord_table.h"

#include <algorithm>

namespace x11 {

bool Chord::has(Keycode kc) const { return std::find(keycodes.begin(), keycodes.end(), kc) != keycodes.end(); }

std::string ChordTable::Resolve(Chord& chord, const Layout& layout, const Keymap& keymap) {
    if (chord.keyCode <= 0 || chord.keyCode > 255) return "no key";
    chord.keycodes = layout.keycodes(static_cast<std::uint8_t>(chord.keyCode));
    if (chord.keycodes.empty()) return "the key is not on the keyboard layout";
    bool ok = true;
    chord.mods = layout.xModifiers(chord.modKeyCode, &ok);
    if (!ok) return "Alt or the Windows key is bound to no modifier in the modifier map";
    if (KeptByTheServer(chord, keymap))
        return "the X server keeps this chord for itself (a console switch or its own end)";
    return {};
}

bool ChordTable::KeptByTheServer(const Chord& chord, const Keymap& keymap) {
    // Ctrl+Alt without Shift picks the level of a key where the keyboard map
    // puts the server's own actions (Ctrl+Alt+F1, Ctrl+Alt+Backspace where it
    // is turned on); the server acts on those and passes no press on.
    constexpr mod::Mask kCtrlAlt = mod::Mask::Control | mod::Mask::Alt;
    if ((chord.modKeyCode & kCtrlAlt) != kCtrlAlt || (chord.modKeyCode & mod::Mask::Shift)) return false;
    constexpr Keysym kFirstConsole = 0x1008FE01, kLastConsole = 0x1008FE0C, kTerminateServer = 0xFED5;
    for (const Keycode kc : chord.keycodes)
        for (int col = 0; col < keymap.keysymsPerKeycode(); ++col) {
            const Keysym ks = keymap.keysymAt(kc, col);
            if ((ks >= kFirstConsole && ks <= kLastConsole) || ks == kTerminateServer) return true;
        }
    return false;
}

bool ChordTable::clashes(const Chord& chord) const {
    for (const Chord& other : chords_) {
        if (other.mods != chord.mods) continue;
        for (const Keycode kc : chord.keycodes)
            if (other.has(kc)) return true;
    }
    return false;
}

const Chord& ChordTable::add(Chord chord) {
    chords_.push_back(std::move(chord));
    return chords_.back();
}

std::optional<Chord> ChordTable::remove(Owner owner) {
    const auto it = std::find_if(chords_.begin(), chords_.end(), [owner](const Chord& c) { return c.owner == owner; });
    if (it == chords_.end()) return std::nullopt;
    Chord gone = std::move(*it);
    chords_.erase(it);
    return gone;
}

std::vector<Chord> ChordTable::takeAll() {
    std::vector<Chord> all = std::move(chords_);
    chords_.clear();
    return all;
}

const Chord* ChordTable::find(Owner owner, mod::Mask modKeyCode, int keyCode) const {
    for (const Chord& c : chords_)
        if (c.owner == owner && c.modKeyCode == modKeyCode && c.keyCode == keyCode) return &c;
    return nullptr;
}

std::set<Keycode> ChordTable::keycodes() const {
    std::set<Keycode> keys;
    for (const Chord& c : chords_) keys.insert(c.keycodes.begin(), c.keycodes.end());
    return keys;
}

bool ChordTable::setHeld(std::uint16_t held, std::uint16_t letGo) {
    if (held == held_ && letGo == letGo_) return false;
    held_ = held;
    letGo_ = letGo;
    return true;
}

std::vector<std::uint16_t> ChordTable::statesOf(const Chord& chord) const {
    // While playbacks run, each modifier they hold may or may not be down
    // (they press and let go of them, and so may others), and each of the
    // chord's own that they let go of may be missing.
    const auto always = static_cast<std::uint16_t>(chord.mods & ~letGo_);
    const auto maybe = static_cast<std::uint16_t>((chord.mods & letGo_) | (held_ & ~chord.mods));
    std::vector<std::uint16_t> states;
    for (std::uint16_t some = maybe;; some = static_cast<std::uint16_t>((some - 1) & maybe)) {
        states.push_back(always | some);
        if (some == 0) break;
    }
    return states;
}

const Chord* ChordTable::match(Keycode kc, std::uint16_t state, std::uint16_t lockMask,
                               const std::function<std::uint16_t()>& userModifiers) const {
    const auto s = static_cast<std::uint16_t>(state & kCoreModifiers & ~lockMask);
    // With a playback holding modifiers, E under Ctrl+Alt may be the chord E
    // (the playback's Ctrl+Alt added) or the chord Ctrl+Alt+E, and with one
    // that let go of the user's Shift, Ctrl+Shift+E comes as Ctrl+E: the chord
    // whose modifiers the user holds is meant. Failing that, one that fits as
    // it stands or with the held modifiers added.
    std::optional<std::uint16_t> user;
    const Chord* found = nullptr;
    for (const Chord& c : chords_) {
        if (!c.has(kc)) continue;
        if (!playing()) {
            if (s == c.mods) return &c;
            continue;
        }
        const std::vector<std::uint16_t> states = statesOf(c);
        if (std::find(states.begin(), states.end(), s) == states.end()) continue;
        if (!user) user = static_cast<std::uint16_t>(userModifiers() & (s | letGo_));
        if (c.mods == *user) return &c;
        if (s == c.mods || s == (c.mods | held_))
            if (!found || s == c.mods) found = &c;
    }
    return found;
}

}  // namespace x11
