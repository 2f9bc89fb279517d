#pragma once
// Which XInput2 passive grabs the claimed chords need, and what to grab and
// ungrab to get there from the grabs in place. A chord's key is grabbed in
// every modifier state in which a press of it may be the chord (see
// ChordTable::statesOf), each with every combination of the lock modifiers.

#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "platform/x11/chord_table.h"
#include "platform/x11/key_bits.h"
#include "platform/x11/layout.h"

namespace x11 {

// Modifier combinations as an XInput2 passive grab takes them.
using GrabMods = std::vector<std::uint32_t>;

struct GrabDiff {
    GrabMods grab, ungrab;
};

class GrabSet {
public:
    // A grab of a key whatever the modifiers (XIAnyModifier).
    static constexpr std::uint32_t kAnyModifiers = 1u << 31;

    // The combinations `kc` has to be grabbed with for the chords on it.
    static std::set<std::uint16_t> Wanted(const ChordTable& chords, const Layout& layout, Keycode kc);

    // A new chord's own combinations on one of its keys, grabbed again even
    // where they are in place already (another chord's variant), so that the
    // server tries them first: what to grab.
    GrabMods claim(Keycode kc, const std::vector<std::uint16_t>& combinations);
    // What makes the grabs of `kc` those `want` says. While the key is taken
    // with any modifiers, taking a combination away would leave a hole in
    // that grab: removals wait until it is let go.
    GrabDiff update(Keycode kc, const std::set<std::uint16_t>& want, bool taken);
    // The key was taken with any modifiers and is let go: the combinations to
    // ungrab from that grab so that in one request it shrinks to `want`, with
    // no moment in which the key is not grabbed.
    GrabMods shrinkFromAny(Keycode kc, const std::set<std::uint16_t>& want);

    // Keys with grabs in place, and their combinations.
    std::set<Keycode> keys() const;
    std::set<std::uint16_t> of(Keycode kc) const;
    void clear() { grabbed_.clear(); }

private:
    std::map<Keycode, std::set<std::uint16_t>> grabbed_;
};

}  // namespace x11
