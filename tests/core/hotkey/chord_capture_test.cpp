#include "core/hotkey/chord_capture.h"

#include <gtest/gtest.h>

#include "core/hotkey/key_display_name.h"
#include "core/hotkey/stored_chord.h"

using hotkey::ChordCapture;
using hotkey::kPromptText;

namespace {

constexpr int S = hotkey::kShiftBit, C = hotkey::kCtrlBit, A = hotkey::kAltBit;

struct Capture {
    ChordCapture c;
    Capture& down(int vk, int shift) { c.keyDown(vk, shift); return *this; }
    Capture& up(int vk) { c.keyUp(vk); return *this; }
};

}  // namespace

TEST(ChordCapture, ModifiersInEitherOrderThenAKey) {
    Capture x;
    x.down(17, C).down(18, C | A).down('A', C | A);
    EXPECT_EQ(x.c.text(), "Ctrl + Alt + A");
    EXPECT_EQ(x.c.keyCode(), 65);
    EXPECT_EQ(x.c.modKeyCode(), 3);
    x.up('A').up(18).up(17);
    EXPECT_EQ(x.c.text(), "Ctrl + Alt + A") << "releasing keys after a complete chord changes nothing";

    Capture y;
    y.down(18, A).down(17, C | A).down('A', C | A);
    EXPECT_EQ(y.c.text(), "Ctrl + Alt + A");

    Capture z;
    z.down(16, S).down(18, S | A).down(17, S | C | A).down(0x74, S | C | A);
    EXPECT_EQ(z.c.text(), "Ctrl + Alt + Shift + F5");
    EXPECT_EQ(z.c.modKeyCode(), 7);
}

TEST(ChordCapture, ModifiersAloneShowTrailingSeparatorThenFallBackToThePrompt) {
    Capture x;
    x.down(17, C);
    EXPECT_EQ(x.c.text(), "Ctrl + ");
    EXPECT_EQ(x.c.keyCode(), 0);
    EXPECT_EQ(x.c.modKeyCode(), 2);
    x.down(18, C | A);
    EXPECT_EQ(x.c.text(), "Ctrl + Alt + ");
    x.up(18);
    EXPECT_EQ(x.c.text(), kPromptText);
    EXPECT_EQ(x.c.modKeyCode(), 0);
}

TEST(ChordCapture, AModifierAfterTheKeyReopensTheChord) {
    Capture x;
    x.down('A', 0).down(17, C);
    EXPECT_EQ(x.c.text(), "Ctrl + ");
    EXPECT_EQ(x.c.keyCode(), 0);
    x.up('A');
    EXPECT_EQ(x.c.text(), kPromptText);
    EXPECT_EQ(x.c.keyCode(), 0);
    EXPECT_EQ(x.c.modKeyCode(), 0);

    Capture y;
    y.down('B', C).up('B').down(16, C | S);  // a new chord starts at once
    EXPECT_EQ(y.c.keyCode(), 0);
    EXPECT_EQ(y.c.text(), "Ctrl + Shift + ");
}

TEST(ChordCapture, KeysWithoutModifiersAreChordsToo) {
    Capture x;
    x.down('A', 0);
    EXPECT_EQ(x.c.text(), "A");
    EXPECT_EQ(x.c.keyCode(), 65);
    EXPECT_EQ(x.c.modKeyCode(), 0);
    x.down(0x77, 0);
    EXPECT_EQ(x.c.text(), "F8");
}

TEST(ChordCapture, LeftWindowsKeyIsTrackedTheRightOneIsAnOrdinaryKey) {
    Capture x;
    x.down(91, 0);
    EXPECT_EQ(x.c.text(), "Win + ");
    x.down(16, S).down(0x74, S);
    EXPECT_EQ(x.c.text(), "Win + Shift + F5");
    EXPECT_EQ(x.c.modKeyCode(), 12);
    x.up(0x74).up(16).up(91);
    EXPECT_FALSE(x.c.winKeyDown());
    x.down('Z', 0);
    EXPECT_EQ(x.c.text(), "Z");

    Capture r;
    r.down(92, C);
    EXPECT_EQ(r.c.text(), "Ctrl + Right Windows");
    EXPECT_EQ(r.c.keyCode(), 92);
    EXPECT_EQ(r.c.modKeyCode(), 2);
}

TEST(ChordCapture, LosingTheFocusForgetsAWindowsKeyReleasedElsewhere) {
    Capture x;
    x.down(91, 0);
    x.c.focusLost();  // the key comes up while another window has the focus
    x.down('A', C);
    EXPECT_EQ(x.c.text(), "Ctrl + A");
    EXPECT_EQ(x.c.modKeyCode(), 2);
}

TEST(ChordCapture, KeysAreNamedAsTheyAreNotAsKeypadKeys) {
    EXPECT_EQ(hotkey::KeyDisplayName(0x25), "Left");
    EXPECT_EQ(hotkey::KeyDisplayName(0x24), "Home");
    EXPECT_EQ(hotkey::KeyDisplayName(0x2E), "Delete");
    EXPECT_EQ(hotkey::KeyDisplayName(0x21), "Page Up");
    EXPECT_EQ(hotkey::KeyDisplayName(0x64), "Num 4");
    EXPECT_EQ(hotkey::KeyDisplayName(0x6B), "Num +");
    EXPECT_EQ(hotkey::KeyDisplayName(0x87), "F24");
    EXPECT_EQ(hotkey::KeyDisplayName('7'), "7");
    EXPECT_EQ(hotkey::KeyDisplayName(0xBA), ";");

    // A key without a name still makes a chord; only the prefixes show.
    Capture x;
    x.down(0xFF, C);
    EXPECT_EQ(x.c.text(), "Ctrl + ");
    EXPECT_EQ(x.c.keyCode(), 0xFF);
}

TEST(StoredChord, HandEditedCodesFallBackToNoChord) {
    const auto ok = hotkey::ParseStoredChord("Ctrl + Alt + A", "65", "3");
    EXPECT_EQ(ok.text, "Ctrl + Alt + A");
    EXPECT_EQ(ok.keyCode, 65);
    EXPECT_EQ(ok.modKeyCode, 3);
    EXPECT_EQ(hotkey::ParseStoredChord("x", " 65 ", "+3").keyCode, 65);
    EXPECT_EQ(hotkey::ParseStoredChord("x", "65", "19").modKeyCode, 3) << "unknown mask bits are dropped";

    for (const auto& [key, mods] : {std::pair{"", "0"}, {"65", ""}, {"A", "2"}, {"65", "two"}, {"256", "2"},
                                    {"-1", "2"}, {"65", "-2"}, {"65", "99999999999"}, {"6 5", "2"}, {"65.0", "2"}}) {
        const auto c = hotkey::ParseStoredChord("Ctrl + A", key, mods);
        EXPECT_EQ(c.text, kPromptText) << key << "/" << mods;
        EXPECT_EQ(c.keyCode, 0);
        EXPECT_EQ(c.modKeyCode, 0);
    }
}
