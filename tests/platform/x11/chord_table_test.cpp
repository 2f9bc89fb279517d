// Which chord a press is, and which chords can be claimed on a layout.

#include "platform/x11/chord_table.h"

#include <gtest/gtest.h>

#include "core/keys/virtual_keys.h"
#include "platform/x11/chord_layout.h"

using namespace x11test;
using mod::Mask;
using x11::Chord;
using x11::ChordTable;

namespace {

const int kSlot1 = 1, kSlot2 = 2, kSlot3 = 3;

struct Table {
    x11::Keymap keymap = UsKeys().build();
    x11::Layout layout{keymap, UsModifiers()};
    ChordTable table;
    std::uint16_t user = 0;  // X bits of the modifiers the user holds

    std::string add(const void* owner, Mask modKeyCode, int keyCode) {
        Chord c;
        c.owner = owner;
        c.modKeyCode = modKeyCode;
        c.keyCode = keyCode;
        std::string why = ChordTable::Resolve(c, layout, keymap);
        if (why.empty()) table.add(std::move(c));
        return why;
    }
    // The owner of the chord a press is; nullptr for none.
    const void* match(x11::Keycode kc, std::uint16_t state) const {
        const Chord* c = table.match(kc, state, layout.lockMask(), [this] { return user; });
        return c ? c->owner : nullptr;
    }
};

}  // namespace

TEST(ChordTable, ResolvesAChordOnTheLayoutOrSaysWhyNot) {
    Table t;
    Chord c;
    c.modKeyCode = Mask::Control | Mask::Alt;
    c.keyCode = 'J';
    EXPECT_EQ(ChordTable::Resolve(c, t.layout, t.keymap), "");
    EXPECT_EQ(c.keycodes, std::vector<x11::Keycode>{kJ});
    EXPECT_EQ(c.mods, kCtrl | kAlt);

    c.keyCode = 0;
    EXPECT_EQ(ChordTable::Resolve(c, t.layout, t.keymap), "no key");
    c.keyCode = vk::F24;
    EXPECT_EQ(ChordTable::Resolve(c, t.layout, t.keymap), "the key is not on the keyboard layout");
    // Ctrl+Alt+F1 is the server's own console switch; with Shift it is not.
    c.keyCode = vk::F1;
    EXPECT_NE(ChordTable::Resolve(c, t.layout, t.keymap).find("keeps this chord"), std::string::npos);
    c.modKeyCode = Mask::Control | Mask::Alt | Mask::Shift;
    EXPECT_EQ(ChordTable::Resolve(c, t.layout, t.keymap), "");

    const x11::Layout noSuper(t.keymap, UsModifiers(false));
    c.modKeyCode = Mask::Win;
    c.keyCode = 'A';
    EXPECT_NE(ChordTable::Resolve(c, noSuper, t.keymap).find("bound to no modifier"), std::string::npos);
}

TEST(ChordTable, KeepsOneChordPerOwnerAndRefusesAClashWithOurs) {
    Table t;
    ASSERT_EQ(t.add(&kSlot1, Mask::Control, 'A'), "");
    Chord same;
    same.modKeyCode = Mask::Control;
    same.keyCode = 'A';
    ChordTable::Resolve(same, t.layout, t.keymap);
    EXPECT_TRUE(t.table.clashes(same));
    same.modKeyCode = Mask::Control | Mask::Shift;
    ChordTable::Resolve(same, t.layout, t.keymap);
    EXPECT_FALSE(t.table.clashes(same));

    ASSERT_EQ(t.add(&kSlot2, Mask::Alt, 'C'), "");
    EXPECT_EQ(t.table.keycodes(), (std::set<x11::Keycode>{kA, kC}));
    EXPECT_NE(t.table.find(&kSlot2, Mask::Alt, 'C'), nullptr);
    EXPECT_EQ(t.table.find(&kSlot2, Mask::Alt, 'A'), nullptr) << "claimed since with another chord";
    EXPECT_TRUE(t.table.remove(&kSlot1));
    EXPECT_FALSE(t.table.remove(&kSlot1));
    EXPECT_EQ(t.table.keycodes(), std::set<x11::Keycode>{kC});
}

TEST(ChordTable, WithNoPlaybackAPressMatchesItsModifiersExactlyWhateverTheLocks) {
    Table t;
    t.add(&kSlot1, Mask::Control | Mask::Alt, 'J');
    EXPECT_EQ(t.match(kJ, kCtrl | kAlt), &kSlot1);
    EXPECT_EQ(t.match(kJ, kCtrl | kAlt | kLock | kNum | kScroll), &kSlot1) << "CapsLock, NumLock, ScrollLock";
    EXPECT_EQ(t.match(kJ, kCtrl | kAlt | 0x2000), &kSlot1) << "the keyboard group's bits count for nothing";
    EXPECT_EQ(t.match(kJ, kCtrl), nullptr);
    EXPECT_EQ(t.match(kJ, kCtrl | kAlt | kShift), nullptr);
    EXPECT_EQ(t.match(kA, kCtrl | kAlt), nullptr);
}

TEST(ChordTable, WhileAPlaybackHoldsModifiersTheChordTheUserHoldsIsMeant) {
    Table t;
    t.add(&kSlot1, Mask{}, 'E');
    t.add(&kSlot2, Mask::Control | Mask::Alt, 'E');
    EXPECT_TRUE(t.table.setHeld(kCtrl | kAlt, 0));
    EXPECT_FALSE(t.table.setHeld(kCtrl | kAlt, 0)) << "nothing changed";
    EXPECT_TRUE(t.table.playing());

    t.user = 0;
    EXPECT_EQ(t.match(kE, kCtrl | kAlt), &kSlot1) << "E under the playback's Ctrl+Alt";
    EXPECT_EQ(t.match(kE, kCtrl), &kSlot1) << "the playback pressing or letting go of its modifiers";
    t.user = kCtrl | kAlt;
    EXPECT_EQ(t.match(kE, kCtrl | kAlt), &kSlot2) << "the user's Ctrl+Alt+E";
    t.user = kCtrl;  // neither chord is the user's: the one that fits as the press stands
    EXPECT_EQ(t.match(kE, kCtrl | kAlt), &kSlot2);
    EXPECT_EQ(t.match(kE, kShift), nullptr);

    EXPECT_TRUE(t.table.setHeld(0, 0));
    EXPECT_FALSE(t.table.playing());
}

TEST(ChordTable, AChordWhoseModifiersAPlaybackLetGoOfStillCounts) {
    // Ctrl+Shift+E while a playback has let go of the user's Shift comes as Ctrl+E.
    Table t;
    t.add(&kSlot1, Mask::Control | Mask::Shift, 'E');
    t.add(&kSlot3, Mask::Control, 'E');
    t.table.setHeld(0, kShift);
    t.user = kCtrl | kShift;
    EXPECT_EQ(t.match(kE, kCtrl), &kSlot1);
    EXPECT_EQ(t.match(kE, kCtrl | kShift), &kSlot1);
    t.user = kCtrl;
    EXPECT_EQ(t.match(kE, kCtrl), &kSlot3);
}

TEST(ChordTable, StatesOfAChordSpanWhatPlaybacksHoldAndLetGo) {
    Table t;
    t.add(&kSlot1, Mask::Control | Mask::Shift, 'E');
    const Chord& c = t.table.chords().front();
    auto states = [&] {
        auto s = t.table.statesOf(c);
        return std::set<std::uint16_t>(s.begin(), s.end());
    };
    EXPECT_EQ(states(), std::set<std::uint16_t>{kCtrl | kShift});
    t.table.setHeld(kAlt | kCtrl, kShift);
    EXPECT_EQ(states(), (std::set<std::uint16_t>{kCtrl, kCtrl | kShift, kCtrl | kAlt, kCtrl | kShift | kAlt}));
}
