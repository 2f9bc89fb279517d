// A fast typist's roll: the trigger's modifiers come up 0-10 ms after its key
// went down, typed by another program. The application sees the target with
// exactly its modifiers every time, no modifier tapped alone, and nothing is
// left down.

#include <gtest/gtest.h>

#include "core/playback/clsWaitableTimer.h"
#include "support/listener_process.h"
#include "support/pump.h"
#include "support/triggered_target.h"

using mod::Mask;
using namespace wintest;

namespace {

struct Verdict {
    int targets = 0, shortOfAModifier = 0, loneTaps = 0;
};

// As an input method or a shell reads the keys: a modifier released with no
// other key between it and the last modifier's press is a tap (Alt alone
// opens the menu, Ctrl+Shift switches the input method).
Verdict Judge(const std::vector<KeyMessage>& log, unsigned targetKey, Mask targetMods) {
    Verdict v;
    bool armed = false;
    for (const auto& m : log) {
        if (m.kind == 'C') continue;
        const bool modifier = bool(Mask::of(static_cast<int>(m.code)));
        if (m.kind == 'D' && m.code == targetKey) {
            ++v.targets;
            v.shortOfAModifier += m.mods != targetMods;
        }
        v.loneTaps += m.kind == 'U' && modifier && armed;
        armed = m.kind == 'D' && modifier;
    }
    return v;
}

std::wstring Keys(const std::vector<std::uint8_t>& codes, wchar_t sign) {
    std::wstring out;
    for (const std::uint8_t c : codes) out += sign + std::to_wstring(c) + L" ";
    return out;
}

}  // namespace

TEST(RolledRelease, TheTargetArrivesExactWhateverTheRoll) {
    const struct {
        Mask mods;
        std::vector<std::uint8_t> modifierKeys;
        std::uint8_t key;
        const char* action;
        Mask targetMods;
        std::uint8_t targetKey;
    } chords[] = {
        {Mask::Alt, {VK_MENU}, 'C', "2|17|67", Mask::Control, 'C'},
        {Mask::Control | Mask::Shift, {VK_CONTROL, VK_SHIFT}, 'X', "2|17|86", Mask::Control, 'V'},
    };
    clsWaitableTimer timer;
    for (const auto& c : chords) {
        SCOPED_TRACE(c.action);
        // Positive control, nothing live: a lone tap and a short target are seen as such.
        {
            ListenerProcess listener;
            ASSERT_TRUE(listener.ready());
            ASSERT_TRUE(SendKeys(Keys(c.modifierKeys, '+') + Keys(c.modifierKeys, '-') + L"+" +
                                 std::to_wstring(c.targetKey) + L" -" + std::to_wstring(c.targetKey)));
            const auto log = listener.finish();
            const Verdict v = Judge(log, c.targetKey, c.targetMods);
            ASSERT_EQ(v.loneTaps, 1) << Describe(log);
            ASSERT_EQ(v.shortOfAModifier, 1) << Describe(log);
        }
        ListenerProcess listener;
        ASSERT_TRUE(listener.ready());
        TriggeredTarget program([&](int ms) { timer.Wait(ms); }, c.mods, c.key, c.action);
        ASSERT_TRUE(program.ok());
        int rolls = 0;
        for (const int ms : {0, 1, 3, 5, 7, 10})
            for (const bool keyFirst : {true, false}) {
                const std::wstring key = std::to_wstring(c.key);
                const std::wstring wait = L"~" + std::to_wstring(ms) + L" ";
                const std::wstring ups = keyFirst ? L"-" + key + L" " + wait + Keys(c.modifierKeys, '-')
                                                  : wait + Keys(c.modifierKeys, '-') + L"-" + key;
                EXPECT_TRUE(SendKeys(Keys(c.modifierKeys, '+') + L"+" + key + L" " + ups));
                ++rolls;
                EXPECT_TRUE(PumpUntil([&] { return program.played == rolls; }, 5000)) << ms << " ms";
            }
        PumpFor(100);
        const auto log = listener.finish();
        const Verdict v = Judge(log, c.targetKey, c.targetMods);
        EXPECT_EQ(v.targets, rolls) << Describe(log);
        EXPECT_EQ(v.shortOfAModifier, 0) << Describe(log);
        EXPECT_EQ(v.loneTaps, 0) << Describe(log);
        EXPECT_FALSE(program.state->logicalDown().any()) << Describe(log);
    }
}
