#include "core/playback/player.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <optional>
#include <sstream>

#include "core/diag/diag.h"
#include "core/keys/virtual_keys.h"
#include "core/playback/program_error.h"
#include "platform/fake/fake_keyboard.h"

using mod::Mask;
using platform::FakeKeyboard;
using playback::Player;

namespace {

Mask modifierClasses(const platform::KeySet& keys) {
    Mask classes;
    for (int vk = 0; vk < 256; ++vk)
        if (keys[vk]) classes |= Mask::of(vk);
    return classes;
}

// What input methods and shells make of the key events they see: a modifier
// released with no other key pressed since the last modifier went down is a
// tap (Shift alone switches Chinese and English, Ctrl+Shift the input method,
// Alt opens menus, Win the start menu). Strict: it counts a press of a key
// already down, and a release of one already up, as key events too.
struct TapWatcher {
    int taps = 0;
    bool armed = false;  // the last press was a modifier's
    void key(int vk, bool down) {
        if (down) {
            armed = bool(Mask::of(vk));
        } else {
            if (armed && Mask::of(vk)) ++taps;
            armed = false;
        }
    }
    void otherKeyTapped() { armed = false; }
};

// A keyboard, a delivery on it, what the application saw at each key press,
// and what an input method made of it all.
struct Bed {
    Bed() {
        kb.onInjected = [this] {
            const std::string& last = kb.events.back();
            if (last == "mask") return im.otherKeyTapped();
            const int vk = std::stoi(last.substr(1));
            im.key(vk, last[0] == '+');
            if (last[0] == '+' && !Mask::of(vk)) seen.push_back({vk, modifierClasses(kb.logical)});
        };
    }
    // The user's own keys, as the application sees them; the trigger's key
    // goes to its hotkey instead.
    void userPresses(std::uint8_t vk, bool seenByTheApplication = true) {
        kb.userDown(vk);
        if (seenByTheApplication) im.key(vk, true);
    }
    void userLetsGo(std::uint8_t vk) {
        kb.userUp(vk);
        im.key(vk, false);
    }
    void userHolds(std::initializer_list<std::uint8_t> keys) {
        for (auto k : keys) kb.userDown(k);
    }
    void play(const char* action) { delivery.play(action); }
    std::optional<Mask> modifiersSeenWith(int vk) const {
        for (const auto& [key, mods] : seen)
            if (key == vk) return mods;
        return std::nullopt;
    }

    FakeKeyboard kb;
    TapWatcher im;
    std::function<void()> duringHold;
    Player delivery{kb, &kb, [this](int) {
                        if (duringHold) duringHold();
                    }};
    std::vector<std::pair<int, Mask>> seen;
};

}  // namespace

TEST(Player, ModifiersOfTheTriggerThatTheTargetLacksAreReleasedFirstAndRestoredAfter) {
    Bed b;
    b.userHolds({vk::LControl, vk::LMenu, 'A'});  // trigger Ctrl+Alt+A, target Ctrl+C
    b.play("2|17|67");
    EXPECT_EQ(b.modifiersSeenWith('C'), Mask::Control);
    EXPECT_EQ(b.kb.logical, b.kb.physical) << "every key as the user holds it";
    // The Alt release is masked so that it is not a lone tap.
    EXPECT_EQ(b.kb.events.front(), "mask");
    EXPECT_EQ(b.kb.events[1], "-164");
}

TEST(Player, NamedCases) {
    {
        Bed b;  // Alt+Q -> Ctrl+W
        b.userHolds({vk::LMenu, 'Q'});
        b.play("2|17|87");
        EXPECT_EQ(b.modifiersSeenWith('W'), Mask::Control);
        EXPECT_EQ(b.kb.events.front(), "mask");
        EXPECT_EQ(b.kb.logical, b.kb.physical);
        EXPECT_EQ(b.kb.events.back(), "mask") << "Alt pressed again is masked too";
    }
    {
        Bed b;  // Win+Z -> Ctrl+Z
        b.userHolds({vk::LWin, 'Z'});
        b.play("2|17|90");
        EXPECT_EQ(b.modifiersSeenWith('Z'), Mask::Control);
        EXPECT_TRUE(b.kb.logical[vk::LWin]);
        // The target released the trigger's own key; pressing it again would type it.
        EXPECT_EQ(b.kb.logical, b.kb.physical & ~platform::KeySet().set('Z'));
    }
    {
        Bed b;  // F8 -> Ctrl+Shift+S: nothing to clear
        b.userHolds({vk::F8});
        b.play("3|17|16|83");
        EXPECT_EQ(b.modifiersSeenWith('S'), Mask::Control | Mask::Shift);
        EXPECT_EQ(b.kb.events, (std::vector<std::string>{"+17", "+16", "+83", "-83", "-16", "-17"}));
    }
    {
        Bed b;  // Ctrl+Q -> Ctrl+C: Ctrl kept, and still held afterwards
        b.userHolds({vk::LControl, 'Q'});
        b.play("2|17|67");
        EXPECT_EQ(b.modifiersSeenWith('C'), Mask::Control);
        EXPECT_TRUE(b.kb.logical[vk::LControl]);
        EXPECT_EQ(b.kb.logical, b.kb.physical);
    }
    {
        Bed b;  // the right Ctrl held: the target's Ctrl is that one
        b.userHolds({vk::RControl, 'Q'});
        b.play("2|17|67");
        EXPECT_EQ(b.modifiersSeenWith('C'), Mask::Control);
        EXPECT_EQ(b.kb.logical, b.kb.physical);
    }
}

TEST(Player, KeysLetGoOfDuringTheHoldStayUp) {
    Bed b;
    b.userHolds({vk::LControl, vk::LMenu, 'A'});
    b.duringHold = [&] {
        b.kb.userUp('A');
        b.kb.userUp(vk::LMenu);
        b.kb.userUp(vk::LControl);
    };
    b.play("2|17|67");
    EXPECT_TRUE(b.kb.logical.none()) << "nothing is left down";
}

TEST(Player, AModifierPressedDuringTheHoldIsKept) {
    Bed b;
    b.userHolds({vk::F8});
    b.duringHold = [&] { b.kb.userDown(vk::LShift); };
    b.play("1|65");
    EXPECT_EQ(b.kb.logical, b.kb.physical);
}

// One target at a time: a call from inside a hold (SlotPlayer queues the
// triggers that come then) plays nothing and says so, the running target
// ends as it would have, and the player is free again afterwards.
TEST(Player, APlayWhileATargetPlaysIsRefusedAndTheRunningOneIsKept) {
    Bed b;
    b.userHolds({vk::LControl, vk::LMenu, 'A'});
    std::vector<std::string> problems;
    b.delivery.onProblem = [&](const std::string& why) { problems.push_back(why); };
    b.duringHold = [&] {
        const std::size_t before = b.kb.events.size();
        b.play("2|18|88");
        EXPECT_EQ(b.kb.events.size(), before) << "nothing pressed or let go of";
    };
    b.play("2|17|67");
    EXPECT_EQ(problems, std::vector<std::string>{"a target was asked for while another played; it is not played"});
    EXPECT_EQ(b.modifiersSeenWith('C'), Mask::Control);
    EXPECT_EQ(b.kb.logical, b.kb.physical);
    b.duringHold = nullptr;
    b.play("2|18|88");
    EXPECT_EQ(b.modifiersSeenWith('X'), Mask::Alt);
    EXPECT_EQ(problems.size(), 1u);
}

TEST(Player, AFailedHoldStillLeavesTheKeyboardAsTheUserHoldsIt) {
    Bed b;
    b.userHolds({vk::LMenu, 'Q'});
    b.duringHold = [] { throw ProgramError(5, "test", "[clsWaitableTimer.Wait]failed"); };
    EXPECT_THROW(b.play("2|17|87"), ProgramError);
    EXPECT_EQ(b.kb.logical, b.kb.physical);
}

TEST(Player, StringsThatPlayNothingTouchNothing) {
    Bed b;
    b.userHolds({vk::LControl, vk::LMenu, 'A'});
    for (const char* s : {"", "2|17", "1|300", "4|65"}) b.play(s);
    EXPECT_TRUE(b.kb.events.empty());
}

TEST(Player, TellsWhichModifiersItHoldsAndLetsGoOfTheHeldTriggerKeyFirst) {
    Bed b;
    struct Told {
        Mask held, letGo;
        std::size_t at;  // key events sent before
    };
    std::vector<Told> told;
    b.delivery.onHeldModifiers = [&](Mask held, Mask letGo) { told.push_back({held, letGo, b.kb.events.size()}); };
    b.userHolds({vk::LWin, 'Z'});  // Win+Z -> Ctrl+Shift+Z: the trigger's own key is in the target
    b.play("3|17|16|90");
    // Told before the keys change: of the target's modifiers and the user's
    // Win let go of, then of the Win still let go of while the target's come
    // up, and last of nothing once Win is back down.
    ASSERT_EQ(told.size(), 3u);
    EXPECT_EQ(told[0].held, Mask::Control | Mask::Shift);
    EXPECT_EQ(told[0].letGo, Mask::Win);
    EXPECT_EQ(told[0].at, 0u);
    EXPECT_EQ(told[1].held, Mask{});
    EXPECT_EQ(told[1].letGo, Mask::Win);
    EXPECT_EQ(told[2].held, Mask{});
    EXPECT_EQ(told[2].letGo, Mask{});
    EXPECT_EQ(told[2].at, b.kb.events.size());
    // The held trigger key was let go before the target pressed it, so the press counts.
    const auto firstZ = std::find(b.kb.events.begin(), b.kb.events.end(), "-90");
    ASSERT_NE(firstZ, b.kb.events.end());
    EXPECT_LT(firstZ - b.kb.events.begin(),
              std::find(b.kb.events.begin(), b.kb.events.end(), "+90") - b.kb.events.begin());
    EXPECT_EQ(b.modifiersSeenWith('Z'), Mask::Control | Mask::Shift);
}

TEST(Player, AKeyThatCannotBeTypedCutsTheTargetShortAndLeavesNothingDown) {
    Bed b;
    std::string problem;
    b.delivery.onProblem = [&](const std::string& why) { problem = why; };
    b.kb.untypeable.set(vk::F24);
    b.userHolds({vk::LMenu, 'Q'});
    b.play("3|17|16|135");
    EXPECT_NE(problem.find("135"), std::string::npos) << problem;
    EXPECT_EQ(b.modifiersSeenWith(vk::F24), std::nullopt);
    EXPECT_EQ(b.kb.logical, b.kb.physical) << "Ctrl and Shift let go of, Alt back as held";
    // The pressed keys came up in reverse order, before Alt went down again.
    const auto& ev = b.kb.events;
    const auto shiftUp = std::find(ev.begin(), ev.end(), "-16");
    const auto ctrlUp = std::find(ev.begin(), ev.end(), "-17");
    ASSERT_NE(shiftUp, ev.end());
    ASSERT_NE(ctrlUp, ev.end());
    EXPECT_LT(shiftUp, ctrlUp);
}

// A window run as administrator drops every key the program sends, and the
// system says nothing: a target for it is not played at all, and the user is told.
TEST(Player, AWindowThatDropsTheProgramsKeysGetsNoTargetAndTheUserIsTold) {
    Bed b;
    std::vector<std::string> log;
    diag::SetSink([&](std::string_view line) { log.emplace_back(line); });
    b.kb.shielded = true;
    b.userHolds({vk::LControl, vk::LMenu, 'A'});
    b.play("2|17|67");
    diag::SetSink(nullptr);
    EXPECT_TRUE(b.kb.events.empty());
    EXPECT_EQ(b.kb.logical, b.kb.physical);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("not played: the focused window runs as administrator"), std::string::npos) << log[0];
}

// Ctrl+Shift+Esc opens Task Manager, which runs elevated and comes forward
// during the hold: the releases would be dropped and Ctrl+Shift left down.
// They are kept and sent once the keys can arrive again, with no modifier
// tapped alone, and the next target plays on a clean keyboard.
TEST(Player, ReleasesDroppedByAWindowThatCameForwardDuringTheHoldAreSentAtTheNextChance) {
    Bed b;
    diag::SetSink([](std::string_view) {});
    b.duringHold = [&] { b.kb.shielded = true; };
    b.play("3|17|16|27");
    b.duringHold = nullptr;
    EXPECT_TRUE(b.delivery.owesReleases());
    b.delivery.releaseOwed();
    EXPECT_TRUE(b.delivery.owesReleases()) << "nothing can arrive yet";
    EXPECT_TRUE(b.kb.logical[vk::LControl] && b.kb.logical[vk::LShift] && b.kb.logical[vk::Escape]);

    b.kb.shielded = false;
    b.kb.events.clear();
    b.delivery.releaseOwed();
    EXPECT_EQ(b.kb.events, (std::vector<std::string>{"mask", "-27", "-16", "-17"}));
    EXPECT_FALSE(b.delivery.owesReleases());
    EXPECT_EQ(b.kb.logical, b.kb.physical);

    // The same, settled by the next target instead.
    b.duringHold = [&] { b.kb.shielded = true; };
    b.play("3|17|16|27");
    b.duringHold = nullptr;
    b.kb.shielded = false;
    b.seen.clear();
    b.play("2|17|67");
    diag::SetSink(nullptr);
    EXPECT_EQ(b.modifiersSeenWith('C'), Mask::Control) << "Shift was let go of first";
    EXPECT_EQ(b.kb.logical, b.kb.physical);
    EXPECT_EQ(b.im.taps, 0);
}

TEST(Player, TheRestoreLooksAgainWhenTheUserLetGoMeanwhile) {
    // The user let go of Alt just before the restore pressed it again; the
    // release shows only at the next look, with Alt down by our press.
    struct LateKeyboard : FakeKeyboard {
        int syncs = 0;
        void sync() override {
            if (++syncs == 2) physical.reset(vk::LMenu);
        }
    };
    LateKeyboard kb;
    Player player(kb, &kb, [](int) {});
    kb.userDown(vk::LMenu);
    kb.userDown('Q');
    player.play("2|17|87");
    EXPECT_GE(kb.syncs, 2);
    EXPECT_FALSE(kb.logical[vk::LMenu]) << "Alt is not left down";
    EXPECT_EQ(kb.logical, kb.physical);
}

TEST(Player, WithoutAKeyboardStateTheKeysPlayAsTheyStand) {
    FakeKeyboard kb;
    kb.userDown(vk::LMenu);
    Player player(kb, nullptr, [](int) {});
    player.play("2|17|67");
    EXPECT_EQ(kb.events, (std::vector<std::string>{"+17", "+67", "-67", "-17"}));
    EXPECT_TRUE(kb.logical[vk::LMenu]);
}

TEST(Player, NoModifierGoesUpOrDownAloneByTheProgramsHand) {
    {
        Bed b;  // the watcher sees a tap when there is one
        b.userPresses(vk::LShift);
        b.userLetsGo(vk::LShift);
        b.userPresses(vk::LControl);
        b.userPresses(vk::LShift);
        b.userLetsGo(vk::LControl);
        ASSERT_EQ(b.im.taps, 2);
    }
    // Every trigger with every target, the user letting go of the trigger's
    // key and then its modifiers in either order, during the hold or after
    // it. The user's own keys make no tap (the trigger's key comes between),
    // so any tap the watcher sees is one the program made.
    const std::vector<std::pair<Mask, std::vector<std::uint8_t>>> triggers = {
        {Mask::Control | Mask::Shift, {vk::LControl, vk::LShift}},
        {Mask::Shift, {vk::LShift}},
        {Mask::Control | Mask::Alt, {vk::LControl, vk::LMenu}},
        {Mask::Alt, {vk::LMenu}},
        {Mask::Win, {vk::LWin}},
        {Mask::Control | Mask::Shift | Mask::Alt, {vk::LShift, vk::LControl, vk::LMenu}},
    };
    const std::vector<std::pair<const char*, Mask>> targets = {
        {"2|17|86", Mask::Control},
        {"3|17|16|86", Mask::Control | Mask::Shift},
        {"2|16|36", Mask::Shift},
        {"1|65", Mask{}},
        {"2|18|70", Mask::Alt},
        {"2|91|69", Mask::Win},
        {"3|16|18|88", Mask::Shift | Mask::Alt},
    };
    enum When { AfterTheHold, KeyDuringTheHold, AllDuringTheHold };
    for (const auto& [mods, modifierKeys] : triggers)
        for (const auto& [action, targetMods] : targets)
            for (const When when : {AfterTheHold, KeyDuringTheHold, AllDuringTheHold})
                for (const bool reversed : {false, true}) {
                    Bed b;
                    std::vector<std::uint8_t> order = modifierKeys;
                    if (reversed) std::reverse(order.begin(), order.end());
                    for (const std::uint8_t m : modifierKeys) b.userPresses(m);
                    b.userPresses('Q', false);
                    auto letGo = [&](bool modifiersToo) {
                        b.userLetsGo('Q');
                        if (modifiersToo)
                            for (const std::uint8_t m : order) b.userLetsGo(m);
                    };
                    b.duringHold = [&] {
                        if (when != AfterTheHold) letGo(when == AllDuringTheHold);
                    };
                    b.play(action);
                    if (when == AfterTheHold) letGo(true);
                    if (when == KeyDuringTheHold)
                        for (const std::uint8_t m : order) b.userLetsGo(m);
                    std::ostringstream trace;
                    for (const auto& e : b.kb.events) trace << e << ' ';
                    SCOPED_TRACE("trigger " + std::to_string(mods.bits()) + " target " + action + " case " +
                                 std::to_string(when) + (reversed ? " reversed" : "") + ": " + trace.str());
                    EXPECT_EQ(b.im.taps, 0);
                    const int key = std::stoi(std::string(action).substr(std::string(action).rfind('|') + 1));
                    EXPECT_EQ(b.modifiersSeenWith(key), targetMods);
                    EXPECT_TRUE(b.kb.logical.none()) << "a key is left down";
                }
}

TEST(Player, AModifierTheTargetSharesWithTheUserIsNeitherReleasedNorPressedAgain) {
    Bed b;  // Ctrl+Shift+C -> Ctrl+Shift+V
    b.userPresses(vk::LControl);
    b.userPresses(vk::LShift);
    b.userPresses('C', false);
    b.play("3|17|16|86");
    EXPECT_EQ(b.kb.events, (std::vector<std::string>{"+86", "-86"}));
    EXPECT_EQ(b.modifiersSeenWith('V'), Mask::Control | Mask::Shift);
    EXPECT_EQ(b.kb.logical, b.kb.physical);
}
