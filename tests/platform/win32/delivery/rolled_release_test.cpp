// A fast typist's roll: the trigger's modifiers come up 0-10 ms after its key
// went down, typed by another program. The application sees the target with
// exactly its modifiers every time, no modifier tapped alone, and nothing is
// left down.

#include <gtest/gtest.h>

#include "support/listener_process.h"
#include "support/pump.h"
#include "support/triggered_target.h"
#include "ui/playback/clsWaitableTimer.h"

using mod::Mask;
using namespace wintest;

namespace {

// "targets short taps": the target key's presses, those without exactly the
// target's modifiers, and modifier taps as an input method or a shell reads
// them (one released with no other key since the last modifier's press:
// Alt alone opens the menu, Ctrl+Shift switches the input method).
std::string Judge(const std::vector<KeyMessage>& log, unsigned targetKey, Mask targetMods) {
    int targets = 0, shortOfAModifier = 0, taps = 0;
    bool armed = false;
    for (const auto& m : log) {
        if (m.kind == 'C') continue;
        const bool modifier = bool(Mask::of(static_cast<int>(m.code)));
        if (m.kind == 'D' && m.code == targetKey) ++targets, shortOfAModifier += m.mods != targetMods;
        taps += m.kind == 'U' && modifier && armed;
        armed = m.kind == 'D' && modifier;
    }
    return std::to_string(targets) + " " + std::to_string(shortOfAModifier) + " " + std::to_string(taps);
}

}  // namespace

TEST(RolledRelease, TheTargetArrivesExactWhateverTheRoll) {
    // Keys in the key sender's notation; the control, with nothing live, shows
    // that a tap and a target short of its modifier are seen.
    const struct {
        Mask mods;
        std::uint8_t key;
        const char* action;
        Mask targetMods;
        std::uint8_t targetKey;
        const wchar_t *down, *keyUp, *modifiersUp, *control;
    } chords[] = {
        {Mask::Alt, 'C', "2|17|67", Mask::Control, 'C', L"+18 +67", L"-67", L"-18", L"+18 -18 +67 -67"},
        {Mask::Control | Mask::Shift, 'X', "2|17|86", Mask::Control, 'V', L"+17 +16 +88", L"-88", L"-17 -16",
         L"+17 +16 -17 -16 +86 -86"},
    };
    clsWaitableTimer timer;
    for (const auto& c : chords) {
        SCOPED_TRACE(c.action);
        {
            ListenerProcess listener;
            ASSERT_TRUE(listener.ready() && SendKeys(c.control));
            const auto log = listener.finish();
            ASSERT_EQ(Judge(log, c.targetKey, c.targetMods), "1 1 1") << Describe(log);
        }
        ListenerProcess listener;
        ASSERT_TRUE(listener.ready());
        TriggeredTarget program([&](int ms) { timer.Wait(ms); }, c.mods, c.key, c.action);
        ASSERT_TRUE(program.ok());
        int rolls = 0;
        for (const int ms : {0, 1, 3, 5, 7, 10})
            for (const bool keyFirst : {true, false}) {
                const std::wstring wait = L" ~" + std::to_wstring(ms) + L" ";
                EXPECT_TRUE(SendKeys(c.down + (keyFirst ? L" " + std::wstring(c.keyUp) + wait + c.modifiersUp
                                                        : wait + c.modifiersUp + L" " + c.keyUp)));
                EXPECT_TRUE(PumpUntil([&] { return program.played == rolls + 1; }, 5000)) << ms << " ms";
                ++rolls;
            }
        PumpFor(100);
        const auto log = listener.finish();
        EXPECT_EQ(Judge(log, c.targetKey, c.targetMods), std::to_string(rolls) + " 0 0") << Describe(log);
        EXPECT_FALSE(program.state->logicalDown().any()) << Describe(log);
    }
}
