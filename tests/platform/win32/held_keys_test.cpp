// The keyboard hook's decisions: which keys the user holds, and which of the
// held trigger key's presses are taken.

#include <gtest/gtest.h>

#include "platform/win32/held_keys.h"

using win32::HeldKeys;

namespace {

constexpr std::uintptr_t kSlotA = 0x100, kSlotB = 0x200;

// The user's keys (not injected) and the program's (injected), by their sided codes.
HeldKeys::Verdict user(HeldKeys& k, std::uint32_t vk, bool down) { return k.onKey({vk, 0, false, down, false}); }
HeldKeys::Verdict injected(HeldKeys& k, std::uint32_t vk, bool down) { return k.onKey({vk, 0, false, down, true}); }

}  // namespace

TEST(HeldKeys, TakesTheHeldTriggersRepeatsUntilItsRelease) {
    HeldKeys k;
    k.onKey({0x11, 0x1D, false, true, false});  // a generic Ctrl counts as its side
    user(k, 0xA4, true);
    EXPECT_EQ(k.physicalModifiers(), 2 | 1);
    EXPECT_FALSE(user(k, 'A', true).swallow) << "the chord's first press belongs to the hotkey, not to the hook";
    ASSERT_TRUE(k.take(kSlotA, 'A', 2 | 1));

    HeldKeys::Verdict repeat = user(k, 'A', true);
    EXPECT_TRUE(repeat.swallow);
    EXPECT_EQ(repeat.repeatFor, std::vector<std::uintptr_t>{kSlotA}) << "Ctrl+Alt still held: a repeat of the chord";

    // The playback's keys pass, the trigger's own key among them.
    EXPECT_FALSE(injected(k, 0xA4, false).swallow);
    EXPECT_FALSE(injected(k, 'A', true).swallow);
    EXPECT_FALSE(injected(k, 'A', false).swallow);

    user(k, 0xA4, false);  // the user lets go of Alt, A still down
    repeat = user(k, 'A', true);
    EXPECT_TRUE(repeat.swallow) << "Ctrl+A must not reach the application";
    EXPECT_TRUE(repeat.repeatFor.empty()) << "Ctrl+A is not the chord";

    EXPECT_FALSE(user(k, 'A', false).swallow) << "releases pass";
    EXPECT_FALSE(k.taking(kSlotA));
    EXPECT_FALSE(user(k, 'A', true).swallow) << "a later press of A is the user's to type";

    injected(k, 'Q', true);  // a chord typed by another program: nothing of the user's to take
    EXPECT_FALSE(k.take(kSlotB, 'Q', 2));
}

// Ctrl+Shift+T plays Ctrl+Win+M and lets go of the user's Shift meanwhile;
// the user, still holding Ctrl+Shift, adds Alt and presses W: the system
// sees Ctrl+Alt+W, yet the user pressed the chord Ctrl+Alt+Shift+W.
TEST(HeldKeys, TakesAChordWhoseModifiersAPlaybackLetGoOf) {
    HeldKeys k;
    k.listen(kSlotA, 'W', 2 | 1 | 4);
    k.listen(kSlotB, 'W', 2 | 1);
    user(k, 0xA2, true);
    user(k, 0xA0, true);
    user(k, 0xA4, true);
    EXPECT_FALSE(user(k, 'W', true).swallow) << "no playback: the system sees the chord as it is";
    user(k, 'W', false);

    k.setLetGo(4);
    injected(k, 0xA0, false);
    const HeldKeys::Verdict press = user(k, 'W', true);
    EXPECT_TRUE(press.swallow);
    EXPECT_EQ(press.pressFor, kSlotA) << "the chord of the modifiers the user holds, not Ctrl+Alt+W";
    user(k, 'W', false);

    user(k, 0xA0, false);  // the user lets go of Shift: Ctrl+Alt+W is the user's, and the system's
    EXPECT_FALSE(user(k, 'W', true).swallow);
    user(k, 'W', false);
    user(k, 0xA0, true);
    EXPECT_FALSE(user(k, 'Q', true).swallow) << "no chord on Q";

    k.forget(kSlotA);
    EXPECT_FALSE(user(k, 'W', true).swallow) << "a chord let go of takes nothing";
    k.listen(kSlotA, 'W', 2 | 1 | 4);
    user(k, 'W', false);
    k.setLetGo(0);
    EXPECT_FALSE(user(k, 'W', true).swallow) << "the playback restored Shift: the system sees the chord";
}
