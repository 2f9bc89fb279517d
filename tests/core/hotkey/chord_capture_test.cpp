#include "core/hotkey/chord_capture.h"

#include <gtest/gtest.h>
#include <type_traits>

#include "core/hotkey/key_display_name.h"
#include "core/hotkey/stored_chord.h"
#include "core/services/hotkey_endpoint.h"

using hotkey::ChordCapture;
using hotkey::kPromptText;
using hotkey::ShiftState;
using mod::Mask;

namespace {

constexpr ShiftState S = hotkey::kShiftBit, C = hotkey::kCtrlBit, A = hotkey::kAltBit, none{};

struct Capture {
    ChordCapture c;
    Capture& down(int vk, ShiftState shift) {
        c.keyDown(vk, shift);
        return *this;
    }
    Capture& up(int vk) {
        c.keyUp(vk);
        return *this;
    }
};

}  // namespace

TEST(ChordCapture, ModifiersInEitherOrderThenAKey) {
    Capture x;
    x.down(vk::Control, C).down(vk::Menu, C | A).down('A', C | A);
    EXPECT_EQ(x.c.text(), "Ctrl + Alt + A");
    EXPECT_EQ(x.c.keyCode(), 'A');
    EXPECT_EQ(x.c.modKeyCode(), Mask::Control | Mask::Alt);
    x.up('A').up(vk::Menu).up(vk::Control);
    EXPECT_EQ(x.c.text(), "Ctrl + Alt + A") << "releasing keys after a complete chord changes nothing";

    Capture y;
    y.down(vk::Menu, A).down(vk::Control, C | A).down('A', C | A);
    EXPECT_EQ(y.c.text(), "Ctrl + Alt + A");

    Capture z;
    z.down(vk::Shift, S).down(vk::Menu, S | A).down(vk::Control, S | C | A).down(vk::F5, S | C | A);
    EXPECT_EQ(z.c.text(), "Ctrl + Alt + Shift + F5");
    EXPECT_EQ(z.c.modKeyCode(), Mask::Control | Mask::Alt | Mask::Shift);
}

TEST(ChordCapture, ModifiersAloneShowTrailingSeparatorThenFallBackToThePrompt) {
    Capture x;
    x.down(vk::Control, C);
    EXPECT_EQ(x.c.text(), "Ctrl + ");
    EXPECT_EQ(x.c.keyCode(), 0);
    EXPECT_EQ(x.c.modKeyCode(), Mask::Control);
    x.down(vk::Menu, C | A);
    EXPECT_EQ(x.c.text(), "Ctrl + Alt + ");
    x.up(vk::Menu);
    EXPECT_EQ(x.c.text(), kPromptText);
    EXPECT_EQ(x.c.modKeyCode(), Mask{});
}

TEST(ChordCapture, AModifierAfterTheKeyReopensTheChord) {
    Capture x;
    x.down('A', none).down(vk::Control, C);
    EXPECT_EQ(x.c.text(), "Ctrl + ");
    EXPECT_EQ(x.c.keyCode(), 0);
    x.up('A');
    EXPECT_EQ(x.c.text(), kPromptText);
    EXPECT_EQ(x.c.keyCode(), 0);
    EXPECT_EQ(x.c.modKeyCode(), Mask{});

    Capture y;
    y.down('B', C).up('B').down(vk::Shift, C | S);  // a new chord starts at once
    EXPECT_EQ(y.c.keyCode(), 0);
    EXPECT_EQ(y.c.text(), "Ctrl + Shift + ");
}

TEST(ChordCapture, KeysWithoutModifiersAreChordsToo) {
    Capture x;
    x.down('A', none);
    EXPECT_EQ(x.c.text(), "A");
    EXPECT_EQ(x.c.keyCode(), 'A');
    EXPECT_EQ(x.c.modKeyCode(), Mask{});
    x.down(vk::F8, none);
    EXPECT_EQ(x.c.text(), "F8");
}

TEST(ChordCapture, LeftWindowsKeyIsTrackedTheRightOneIsAnOrdinaryKey) {
    Capture x;
    x.down(vk::LWin, none);
    EXPECT_EQ(x.c.text(), "Win + ");
    x.down(vk::Shift, S).down(vk::F5, S);
    EXPECT_EQ(x.c.text(), "Win + Shift + F5");
    EXPECT_EQ(x.c.modKeyCode(), Mask::Win | Mask::Shift);
    x.up(vk::F5).up(vk::Shift).up(vk::LWin);
    EXPECT_FALSE(x.c.winKeyDown());
    x.down('Z', none);
    EXPECT_EQ(x.c.text(), "Z");

    Capture r;
    r.down(vk::RWin, C);
    EXPECT_EQ(r.c.text(), "Ctrl + Right Windows");
    EXPECT_EQ(r.c.keyCode(), vk::RWin);
    EXPECT_EQ(r.c.modKeyCode(), Mask::Control);
}

TEST(ChordCapture, LosingTheFocusForgetsAWindowsKeyReleasedElsewhere) {
    Capture x;
    x.down(vk::LWin, none);
    x.c.focusLost();  // the key comes up while another window has the focus
    x.down('A', C);
    EXPECT_EQ(x.c.text(), "Ctrl + A");
    EXPECT_EQ(x.c.modKeyCode(), Mask::Control);
}

TEST(ChordCapture, KeysAreNamedAsTheyAreNotAsKeypadKeys) {
    EXPECT_EQ(hotkey::KeyDisplayName(vk::Left), "Left");
    EXPECT_EQ(hotkey::KeyDisplayName(vk::Home), "Home");
    EXPECT_EQ(hotkey::KeyDisplayName(vk::Delete), "Delete");
    EXPECT_EQ(hotkey::KeyDisplayName(vk::Prior), "Page Up");
    EXPECT_EQ(hotkey::KeyDisplayName(vk::Numpad0 + 4), "Num 4");
    EXPECT_EQ(hotkey::KeyDisplayName(vk::Add), "Num +");
    EXPECT_EQ(hotkey::KeyDisplayName(vk::F24), "F24");
    EXPECT_EQ(hotkey::KeyDisplayName('7'), "7");
    EXPECT_EQ(hotkey::KeyDisplayName(vk::OemSemicolon), ";");

    // A key without a name still makes a chord; only the prefixes show.
    Capture x;
    x.down(vk::NoKey, C);
    EXPECT_EQ(x.c.text(), "Ctrl + ");
    EXPECT_EQ(x.c.keyCode(), vk::NoKey);
}

TEST(StoredChord, HandEditedCodesFallBackToNoChord) {
    const auto ok = hotkey::ParseStoredChord("Ctrl + Alt + A", "65", "3");
    EXPECT_EQ(ok.text, "Ctrl + Alt + A");
    EXPECT_EQ(ok.keyCode, 'A');
    EXPECT_EQ(ok.modKeyCode, Mask::Control | Mask::Alt);
    EXPECT_EQ(hotkey::ParseStoredChord("x", " 65 ", "+3").keyCode, 'A');
    EXPECT_EQ(hotkey::ParseStoredChord("x", "65", "19").modKeyCode, Mask::Control | Mask::Alt)
        << "unknown mask bits are dropped";

    for (const auto& [key, mods] : {std::pair{"", "0"},
                                    {"65", ""},
                                    {"A", "2"},
                                    {"65", "two"},
                                    {"256", "2"},
                                    {"-1", "2"},
                                    {"65", "-2"},
                                    {"65", "99999999999"},
                                    {"6 5", "2"},
                                    {"65.0", "2"}}) {
        const auto c = hotkey::ParseStoredChord("Ctrl + A", key, mods);
        EXPECT_EQ(c.text, kPromptText) << key << "/" << mods;
        EXPECT_EQ(c.keyCode, 0);
        EXPECT_EQ(c.modKeyCode, Mask{});
    }
}

// The chord's mask and a key event's shift state are both small numbers with
// their bits in another order: neither stands in for the other, nor for a
// plain number, without a word in the code.
template <class A, class B>
concept Mixable = requires(A a, B b) {
    a | b;
}
|| requires(A a, B b) { a == b; }
|| std::is_convertible_v<A, B>;
static_assert(!Mixable<Mask, ShiftState> && !Mixable<ShiftState, Mask>);
static_assert(!Mixable<Mask, int> && !Mixable<int, Mask> && !Mixable<ShiftState, int> && !Mixable<int, ShiftState>);
template <class Shift>
concept CaptureTakes = requires(ChordCapture c, Shift s) {
    c.keyDown('A', s);
};
template <class Mods>
concept EndpointTakes = requires(platform::HotkeyEndpoint& e, Mods m) {
    e.registerChord(m, 'A');
};
template <class Mods>
concept ServiceTakes = requires(platform::HotkeyService& h, Mods m) {
    h.setHeldModifiers(m, m);
};
static_assert(CaptureTakes<ShiftState> && !CaptureTakes<Mask>);
static_assert(EndpointTakes<Mask> && !EndpointTakes<ShiftState> && !EndpointTakes<int>);
static_assert(ServiceTakes<Mask> && !ServiceTakes<ShiftState> && !ServiceTakes<int>);
// set.ini and RegisterHotKey both take the mask as these numbers.
static_assert(Mask::Alt.bits() == 1 && Mask::Control.bits() == 2 && Mask::Shift.bits() == 4 && Mask::Win.bits() == 8);

TEST(ShiftState, AModifierCountsAsHeldInItsOwnKeyDownAndLetGoInItsOwnKeyUp) {
    EXPECT_EQ(hotkey::ShiftStateOf(vk::Control, true, none), C);
    EXPECT_EQ(hotkey::ShiftStateOf(vk::Menu, true, C), C | A);
    EXPECT_EQ(hotkey::ShiftStateOf(vk::Control, false, C | A), A);
    EXPECT_EQ(hotkey::ShiftStateOf(vk::Shift, false, none), none) << "a release seen without its press";
    EXPECT_EQ(hotkey::ShiftStateOf('A', true, S), S);
    EXPECT_EQ(hotkey::ShiftStateOf(vk::LWin, true, none), none) << "Win is no part of a shift state";
}
