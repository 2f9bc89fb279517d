// Which XInput2 grabs the chords need, and the changes that get them there.

#include "platform/x11/grab_set.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/keys/virtual_keys.h"
#include "platform/x11/chord_layout.h"

using namespace x11test;
using mod::Mask;
using x11::GrabMods;
using x11::GrabSet;

namespace {

const int kSlot1 = 1, kSlot2 = 2;

struct Bed {
    x11::Keymap keymap = UsKeys().build();
    x11::Layout layout{keymap, UsModifiers()};
    x11::ChordTable chords;
    GrabSet grabs;

    void add(const void* owner, Mask modKeyCode, int keyCode) {
        x11::Chord c;
        c.owner = owner;
        c.modKeyCode = modKeyCode;
        c.keyCode = keyCode;
        ASSERT_EQ(x11::ChordTable::Resolve(c, layout, keymap), "");
        chords.add(std::move(c));
    }
    std::set<std::uint16_t> wanted(x11::Keycode kc) const { return GrabSet::Wanted(chords, layout, kc); }
    x11::GrabDiff update(x11::Keycode kc, bool taken = false) { return grabs.update(kc, wanted(kc), taken); }
};

std::set<std::uint32_t> asSet(const GrabMods& m) { return {m.begin(), m.end()}; }

// A state with each combination of the three lock modifiers.
std::set<std::uint32_t> withLocks(std::initializer_list<std::uint16_t> states) {
    std::set<std::uint32_t> out;
    for (const std::uint16_t s : states)
        for (const int locks : std::initializer_list<int>{0, kLock, kNum, kScroll, kLock | kNum, kLock | kScroll,
                                                          kNum | kScroll, kLock | kNum | kScroll})
            out.insert(s | locks);
    return out;
}

}  // namespace

TEST(GrabSet, AChordIsGrabbedInEveryLockVariantAndLetGoWithIt) {
    Bed b;
    b.add(&kSlot1, Mask::Control | Mask::Alt, 'J');
    const x11::GrabDiff first = b.update(kJ);
    EXPECT_EQ(asSet(first.grab), withLocks({kCtrl | kAlt}));
    EXPECT_TRUE(first.ungrab.empty());
    EXPECT_TRUE(b.update(kJ).grab.empty()) << "in place already";

    b.chords.remove(&kSlot1);
    const x11::GrabDiff gone = b.update(kJ);
    EXPECT_TRUE(gone.grab.empty());
    EXPECT_EQ(asSet(gone.ungrab), withLocks({kCtrl | kAlt}));
    EXPECT_TRUE(b.grabs.keys().empty());
}

TEST(GrabSet, ANewChordIsGrabbedAgainWhereAnotherChordsVariantIs) {
    Bed b;
    b.add(&kSlot1, Mask::Control, 'E');
    b.update(kE);
    b.add(&kSlot2, Mask::Control | Mask::Shift, 'E');
    // Its own combinations go in again, to be tried first.
    const GrabMods again = b.grabs.claim(kE, b.layout.lockVariants(kCtrl | kShift));
    EXPECT_EQ(asSet(again), withLocks({kCtrl | kShift}));
    EXPECT_TRUE(b.update(kE).grab.empty());
    const std::set<std::uint16_t> grabbed = b.grabs.of(kE);
    EXPECT_EQ(std::set<std::uint32_t>(grabbed.begin(), grabbed.end()), withLocks({kCtrl, kCtrl | kShift}));
}

TEST(GrabSet, APlaybacksModifiersWidenTheGrabsAndTheirEndNarrowsThem) {
    Bed b;
    b.add(&kSlot1, Mask::Control | Mask::Shift, 'E');
    b.update(kE);
    // Ctrl+Alt held by a playback that let go of the user's Shift.
    b.chords.setHeld(kCtrl | kAlt, kShift);
    const x11::GrabDiff wider = b.update(kE);
    EXPECT_EQ(asSet(wider.grab), withLocks({kCtrl, kCtrl | kAlt, kCtrl | kShift | kAlt}));
    EXPECT_TRUE(wider.ungrab.empty());

    b.chords.setHeld(0, 0);
    const x11::GrabDiff narrower = b.update(kE);
    EXPECT_TRUE(narrower.grab.empty());
    EXPECT_EQ(asSet(narrower.ungrab), asSet(wider.grab));
}

TEST(GrabSet, ATakenKeyKeepsItsGrabsUntilItIsLetGoThenShrinksInOneRequest) {
    Bed b;
    b.add(&kSlot1, Mask::Control | Mask::Alt, 'J');
    b.update(kJ);
    b.chords.setHeld(kCtrl, kAlt);
    b.update(kJ, true);
    b.chords.setHeld(0, 0);
    EXPECT_TRUE(b.update(kJ, true).ungrab.empty()) << "no hole in the any-modifier grab";
    EXPECT_EQ(b.grabs.of(kJ).size(), 16u);

    // Let go: every combination but the chord's own comes off the any-modifier grab.
    const GrabMods off = b.grabs.shrinkFromAny(kJ, b.wanted(kJ));
    EXPECT_EQ(off.size(), 256u - 8u);
    for (const std::uint32_t m : withLocks({kCtrl | kAlt})) EXPECT_EQ(std::count(off.begin(), off.end(), m), 0) << m;
    EXPECT_EQ(b.grabs.of(kJ).size(), 8u);

    // A key whose chord went meanwhile loses the any-modifier grab whole.
    b.chords.remove(&kSlot1);
    EXPECT_EQ(b.grabs.shrinkFromAny(kJ, b.wanted(kJ)), GrabMods{GrabSet::kAnyModifiers});
    EXPECT_TRUE(b.grabs.keys().empty());
}
