// The keyboard hook's decisions: which keys the user holds, and which of the
// held trigger key's presses are taken.

#include <gtest/gtest.h>

#include "platform/win32/held_keys.h"
#include "support/key_set.h"

using mod::Mask;
using win32::HeldKeys;
using wintest::KeySetOf;

namespace {

constexpr std::uintptr_t kSlotA = 0x100, kSlotB = 0x200;

// The user's keys (not injected), the program's (injected with its mark) and
// another program's (injected without it), by their sided codes.
HeldKeys::Verdict user(HeldKeys& k, std::uint32_t vk, bool down) { return k.onKey({vk, 0, false, down, false}); }
HeldKeys::Verdict own(HeldKeys& k, std::uint32_t vk, bool down) {
    return k.onKey({vk, 0, false, down, true, HeldKeys::kOwnMark});
}
HeldKeys::Verdict other(HeldKeys& k, std::uint32_t vk, bool down) { return k.onKey({vk, 0, false, down, true, 7}); }

}  // namespace

TEST(HeldKeys, TakesTheHeldTriggersRepeatsUntilItsRelease) {
    HeldKeys k;
    k.onKey({vk::Control, 0x1D, false, true, false});  // a generic Ctrl counts as its side
    user(k, vk::LMenu, true);
    EXPECT_EQ(k.physicalModifiers(), Mask::Control | Mask::Alt);
    EXPECT_FALSE(user(k, 'A', true).swallow) << "the chord's first press belongs to the hotkey, not to the hook";
    ASSERT_TRUE(k.take(kSlotA, 'A', Mask::Control | Mask::Alt));

    HeldKeys::Verdict repeat = user(k, 'A', true);
    EXPECT_TRUE(repeat.swallow);
    EXPECT_EQ(repeat.repeatFor, std::vector<std::uintptr_t>{kSlotA}) << "Ctrl+Alt still held: a repeat of the chord";

    // The playback's keys pass, the trigger's own key among them.
    EXPECT_FALSE(own(k, vk::LMenu, false).swallow);
    EXPECT_FALSE(own(k, 'A', true).swallow);
    EXPECT_FALSE(own(k, 'A', false).swallow);

    user(k, vk::LMenu, false);  // the user lets go of Alt, A still down
    repeat = user(k, 'A', true);
    EXPECT_TRUE(repeat.swallow) << "Ctrl+A must not reach the application";
    EXPECT_TRUE(repeat.repeatFor.empty()) << "Ctrl+A is not the chord";

    EXPECT_TRUE(user(k, 'A', false).swallow) << "the program let go of A: a second release would come alone";
    EXPECT_FALSE(k.taking(kSlotA));
    EXPECT_FALSE(user(k, 'A', true).swallow) << "a later press of A is the user's to type";

    own(k, 'Q', true);  // the program's own press: nothing of the user's to take
    EXPECT_FALSE(k.take(kSlotB, 'Q', Mask::Control));
}

// Ctrl+Shift+T plays Ctrl+Win+M and lets go of the user's Shift meanwhile;
// the user, still holding Ctrl+Shift, adds Alt and presses W: the system
// sees Ctrl+Alt+W, yet the user pressed the chord Ctrl+Alt+Shift+W.
TEST(HeldKeys, TakesAChordWhoseModifiersAPlaybackLetGoOf) {
    HeldKeys k;
    k.listen(kSlotA, 'W', Mask::Control | Mask::Alt | Mask::Shift);
    k.listen(kSlotB, 'W', Mask::Control | Mask::Alt);
    user(k, vk::LControl, true);
    user(k, vk::LShift, true);
    user(k, vk::LMenu, true);
    EXPECT_FALSE(user(k, 'W', true).swallow) << "no playback: the system sees the chord as it is";
    user(k, 'W', false);

    k.setLetGo(Mask::Shift);
    own(k, vk::LShift, false);
    const HeldKeys::Verdict press = user(k, 'W', true);
    EXPECT_TRUE(press.swallow);
    EXPECT_EQ(press.pressFor, kSlotA) << "the chord of the modifiers the user holds, not Ctrl+Alt+W";
    user(k, 'W', false);

    user(k, vk::LShift, false);  // the user lets go of Shift: Ctrl+Alt+W is the user's, and the system's
    EXPECT_FALSE(user(k, 'W', true).swallow);
    user(k, 'W', false);
    user(k, vk::LShift, true);
    EXPECT_FALSE(user(k, 'Q', true).swallow) << "no chord on Q";

    k.forget(kSlotA);
    EXPECT_FALSE(user(k, 'W', true).swallow) << "a chord let go of takes nothing";
    k.listen(kSlotA, 'W', Mask::Control | Mask::Alt | Mask::Shift);
    user(k, 'W', false);
    k.setLetGo(Mask{});
    EXPECT_FALSE(user(k, 'W', true).swallow) << "the playback restored Shift: the system sees the chord";
}

// Another remapper's Ctrl, an on-screen keyboard's keys: held as the user's,
// and their chords taken as the user's are.
TEST(HeldKeys, AnotherProgramsKeysAreHeldAsTheUsersAre) {
    HeldKeys k;
    k.listen(kSlotA, vk::F8, Mask::Control);
    other(k, vk::LControl, true);
    other(k, vk::F8, true);
    ASSERT_TRUE(k.take(kSlotA, vk::F8, Mask::Control));
    k.setLetGo(Mask::Control);
    own(k, vk::LControl, false);  // the playback lets go of Ctrl: still held
    EXPECT_EQ(k.physical(), KeySetOf({vk::LControl, vk::F8}));
    EXPECT_EQ(other(k, vk::F8, true).repeatFor, std::vector<std::uintptr_t>{kSlotA});
    other(k, vk::F8, false);
    EXPECT_EQ(other(k, vk::F8, true).pressFor, kSlotA) << "the system no longer sees Ctrl: the press is the chord's";
}

// Win+Z plays Ctrl+Z: the program lets go of the user's Z, which then stays
// up while the user holds it.
TEST(HeldKeys, ACheckLetsGoOfWhatTheSystemSaysIsUpUnlessTheProgramLetGoOfIt) {
    HeldKeys k;
    for (const std::uint8_t key : {vk::LWin, std::uint8_t('Z'), std::uint8_t('Q')}) user(k, key, true);
    ASSERT_TRUE(k.take(kSlotA, 'Z', Mask::Win));
    ASSERT_TRUE(k.take(kSlotB, 'Q', Mask::Win));
    own(k, 'Z', false);
    EXPECT_TRUE(user(k, 'Z', true).swallow) << "a repeat taken never reaches the system";
    k.beginCheck();
    user(k, vk::LShift, true);  // not applied by the system yet
    k.check({});
    EXPECT_EQ(k.physical(), KeySetOf({'Z', vk::LShift})) << "Win and Q were let go of where the hook could not see";
    EXPECT_TRUE(k.taking(kSlotA));
    EXPECT_FALSE(k.taking(kSlotB));
    EXPECT_FALSE(user(k, 'Q', true).swallow) << "the user's next press of Q is the user's";

    own(k, 'Z', true);  // the program pressed Z since: up, it was let go of
    k.beginCheck();
    k.check({});
    EXPECT_FALSE(k.physical().any());
}

// Ctrl+Shift+X, released in a roll: the chord's press asks for a mask tap
// and holds back its modifiers' releases until the tap has passed; a
// playback's hold keeps Ctrl down for the system until the program lets go
// of it, or lets the release go when the hold ends.
TEST(HeldKeys, ReleasesWaitForTheChordsMaskTapAndForThePlaybacksHold) {
    HeldKeys k;
    k.listen(kSlotA, 'X', Mask::Control | Mask::Shift);
    user(k, vk::LControl, true);
    user(k, vk::LShift, true);
    const HeldKeys::Verdict press = user(k, 'X', true);
    EXPECT_TRUE(press.maskTap && !press.swallow);
    EXPECT_TRUE(user(k, vk::LShift, false).swallow) << "before the mask tap";
    own(k, vk::Unassigned, true);
    EXPECT_EQ(own(k, vk::Unassigned, false).letGo, KeySetOf({vk::LShift}));

    const HeldKeys::Hold hold = k.holdReleases(KeySetOf({vk::LControl, vk::RControl, vk::LShift}));
    EXPECT_EQ(hold.held, KeySetOf({vk::LControl})) << "Shift is up for the system by now";
    EXPECT_TRUE(user(k, vk::LControl, false).swallow);
    EXPECT_TRUE(user(k, vk::LControl, true).swallow) << "never up for the system";
    EXPECT_TRUE(user(k, vk::LControl, false).swallow);
    EXPECT_EQ(k.physical(), KeySetOf({'X'}));
    EXPECT_EQ(k.holdReleases({}).letGo, KeySetOf({vk::LControl})) << "not let go of by the program";

    user(k, vk::LMenu, true);
    k.holdReleases(KeySetOf({vk::LMenu}));
    user(k, vk::LMenu, false);
    own(k, vk::LMenu, false);  // the playback's release
    EXPECT_EQ(k.holdReleases({}).letGo, KeySetOf({}));
    EXPECT_EQ(k.history(vk::Control), (HeldKeys::History{2, 2})) << "both sides of a generic Ctrl";
}
