// Triggers that hold Shift or Ctrl+Shift, with a real Chinese input method
// (fcitx5 with pinyin at its default hot keys) between the keyboard and the
// application: no trigger switches the input method, each target reaches the
// application once per playback, and text being composed in pinyin is still
// being composed after a trigger. The user's own lone Shift tap switches it
// every time, so the tests measure something.
//
// ZORVANE_IM_TRIES=n repeats every case n times (default 1).

#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "delivery/delivery_bed.h"
#include "support/input_method.h"
#include "support/spin.h"

using namespace bed;
using mod::Mask;

namespace {

struct Remap {
    const char* name;
    Mask mods;
    std::uint8_t key;
    const char* action;
    const char* inTerminal;  // what the target types into the XIM terminal
    const char* inGtk;       // the key press the GTK field reports for it
};

// Targets that lack Shift and that share it.
const Remap kRemaps[] = {
    {"Ctrl+Shift+X -> Ctrl+V", Mask::Control | Mask::Shift, 'X', "2|17|86", "\x16", "press v 0x4\n"},
    {"Ctrl+Shift+C -> Ctrl+Shift+V", Mask::Control | Mask::Shift, 'C', "3|17|16|86", "\x16", "press V 0x5\n"},
    {"Shift+F5 -> Ctrl+V", Mask::Shift, vk::F5, "2|17|86", "\x16", "press v 0x4\n"},
    {"Shift+F6 -> Shift+Home", Mask::Shift, vk::F6, "2|16|36", "\x1b[1;2H", "press Home 0x1\n"},
    {"Ctrl+Alt+Z -> Ctrl+V", Mask::Control | Mask::Alt, 'Z', "2|17|86", "\x16", "press v 0x4\n"},
};

struct Timing {
    const char* name;
    int keyHeldMs;         // the trigger's key
    int modifiersAfterMs;  // then its modifiers
};

// A held key repeats after 300 ms on this display: held, it plays twice.
const Timing kTimings[] = {
    {"quick tap", 20, 10},
    {"key held 0.4 s", 400, 10},
    {"key tapped, modifiers held 0.4 s more", 20, 400},
};

int tries() {
    const char* n = std::getenv("ZORVANE_IM_TRIES");
    return n ? std::max(1, std::atoi(n)) : 1;
}

std::vector<std::uint8_t> modifierKeys(Mask mods) {
    std::vector<std::uint8_t> keys;
    if (mods & Mask::Control) keys.push_back(vk::LControl);
    if (mods & Mask::Alt) keys.push_back(vk::LMenu);
    if (mods & Mask::Shift) keys.push_back(vk::LShift);
    return keys;
}

// The user presses the chord's modifiers in order, then its key, and lets go
// of the key and then of the modifiers, in order or the other way round.
std::vector<Step> chordSteps(const Remap& r, const Timing& t, bool lastPressedLetGoFirst) {
    std::vector<Step> steps;
    std::vector<std::uint8_t> mods = modifierKeys(r.mods);
    int at = 0;
    for (const std::uint8_t m : mods) steps.push_back({at, m, true}), at += 10;
    const int keyAt = at + 10;
    steps.push_back({keyAt, r.key, true});
    steps.push_back({keyAt + t.keyHeldMs, r.key, false});
    if (lastPressedLetGoFirst) std::reverse(mods.begin(), mods.end());
    at = keyAt + t.keyHeldMs + t.modifiersAfterMs;
    for (const std::uint8_t m : mods) steps.push_back({at, m, false}), at += 10;
    return steps;
}

std::vector<Step> typing(const std::string& keys) {
    std::vector<Step> steps;
    int at = 0;
    for (const char k : keys) {
        steps.push_back({at, static_cast<std::uint8_t>(k), true});
        steps.push_back({at + 20, static_cast<std::uint8_t>(k), false});
        at += 40;
    }
    return steps;
}

struct Trial {
    int switches = 0;
    int plays = 0;
    int delivered = 0;
    int stateBefore = 0, stateAfter = 0;
    std::string received;  // by the client meanwhile
    std::string log;       // what the input method did with the keys
};

// The desktop: the program's path from trigger to target on a display with a
// physical keyboard, the input method, and one client with the focus.
class ImDesktop {
public:
    explicit ImDesktop(ImClient::Kind kind) { error = setUp(kind); }

    // Plays the user's steps, then F12: once the input method has handled
    // that, it has handled every key before it, and so has the client.
    Trial run(const std::vector<Step>& steps, const std::string& action = "", const std::string& token = "") {
        Trial t;
        t.stateBefore = im->state();
        const int switches = im->switches(), lines = im->logLines(), f12 = im->keyEventsHandled("F12", true);
        const std::size_t from = client->received().size();
        const int plays = playsOf(action);
        b.perform(steps);
        b.perform({{0, vk::F12, true}, {10, vk::F12, false}});
        const bool handled = spinUntil([&] { return im->keyEventsHandled("F12", true) > f12; }, 5000);
        const bool arrived =
            client->waitFor(client->kind() == ImClient::XimTerminal ? "\x1b[24~" : "press F12 0x0\n", from);
        t.switches = im->switches() - switches;
        t.plays = playsOf(action) - plays;
        t.delivered = token.empty() ? 0 : client->count(token, from);
        t.stateAfter = im->state();
        t.received = client->received().substr(std::min(from, client->received().size()));
        t.log = im->keyLog(lines);
        if (!handled) t.log += "(the input method never handled the F12 typed after the keys)\n";
        if (!arrived) t.log += "(the client never received the F12 typed after the keys)\n";
        return t;
    }

    bool nothingStuck() { return b.userLetsGoOfEverything() && b.serverLogicalDown().none(); }

    std::string error;
    DeliveryBed b;
    std::unique_ptr<InputMethod> im;
    std::unique_ptr<ImClient> client;

private:
    std::string setUp(ImClient::Kind kind) {
        if (!b.ok()) return b.error;
        im = std::make_unique<InputMethod>();
        if (!im->ok()) return im->error;
        std::vector<Slot> chords;
        for (const Remap& r : kRemaps) chords.push_back({r.mods, r.key, r.action});
        if (!b.configure(chords)) return "a chord was refused";
        client = std::make_unique<ImClient>(kind, im->clientEnvironment());
        if (!client->ok()) return client->error;
        if (!client->focus()) return "the client did not get the focus";
        if (!im->activate()) return "pinyin did not come on for the client";
        return {};
    }

    int playsOf(const std::string& action) const {
        const auto it = b.played().find(action);
        return it == b.played().end() ? 0 : it->second;
    }
};

std::string shown(const std::string& bytes) {
    std::string s;
    for (const unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7f)
            s += static_cast<char>(c);
        else if (c == '\n')
            s += "\\n ";
        else
            s += "\\x" + std::string(1, "0123456789abcdef"[c >> 4]) + "0123456789abcdef"[c & 15];
    }
    return s;
}

std::string caseName(const Remap& r, const Timing& timing, bool reversed) {
    const std::vector<std::uint8_t> mods = modifierKeys(r.mods);
    if (mods.size() < 2) return std::string(r.name) + ", " + timing.name;
    const std::uint8_t last = reversed ? mods.front() : mods.back();
    return std::string(r.name) + ", " + timing.name + ", " +
           (last == vk::LControl ? "Ctrl"
            : last == vk::LMenu  ? "Alt"
                                 : "Shift") +
           " let go of last";
}

void noSwitchesAndEachTargetOnce(ImClient::Kind kind) {
    ImDesktop d(kind);
    ASSERT_TRUE(d.error.empty()) << d.error;

    // The positive control: the user's own lone Left Shift switches every time.
    int flips = 0;
    for (int i = 0; i < 5; ++i) {
        const Trial t = d.run({{0, vk::LShift, true}, {30, vk::LShift, false}});
        EXPECT_EQ(t.switches, 1) << "a lone Shift tap of the user's\n" << t.log;
        flips += t.stateAfter != t.stateBefore;
    }
    EXPECT_EQ(flips, 5);
    ASSERT_TRUE(d.im->activate());

    // Each case's totals over the tries, printed as a table at the end.
    struct Row {
        std::string name;
        int switches = 0, plays = 0, delivered = 0;
    };
    std::vector<Row> rows;
    for (const Remap& r : kRemaps)
        for (const Timing& timing : kTimings)
            for (const bool reversed : {false, true})
                if (!reversed || modifierKeys(r.mods).size() > 1) rows.push_back({caseName(r, timing, reversed)});
    for (int n = 0; n < tries(); ++n) {
        auto row = rows.begin();
        for (const Remap& r : kRemaps)
            for (const Timing& timing : kTimings)
                for (const bool reversed : {false, true}) {
                    if (reversed && modifierKeys(r.mods).size() < 2) continue;
                    const std::string token = kind == ImClient::XimTerminal ? r.inTerminal : r.inGtk;
                    const Trial t = d.run(chordSteps(r, timing, reversed), r.action, token);
                    SCOPED_TRACE(row->name);
                    EXPECT_EQ(t.switches, 0) << t.log;
                    EXPECT_EQ(t.stateAfter, t.stateBefore);
                    EXPECT_GE(t.plays, 1);
                    EXPECT_EQ(t.delivered, t.plays) << "received: " << shown(t.received);
                    EXPECT_TRUE(d.nothingStuck()) << "a key is left down";
                    row->switches += t.switches;
                    row->plays += t.plays;
                    row->delivered += t.delivered;
                    ++row;
                }
    }

    // The negative control: the same keys with no chord set make no switch.
    ASSERT_TRUE(d.b.configure({}));
    Row off{"no chord set, the keys of Ctrl+Shift+X as above"};
    for (const Timing& timing : kTimings)
        for (const bool reversed : {false, true}) {
            const Trial t = d.run(chordSteps(kRemaps[0], timing, reversed));
            EXPECT_EQ(t.switches, 0) << "the user's own keys switched it\n" << t.log;
            off.switches += t.switches;
            EXPECT_TRUE(d.nothingStuck());
        }
    std::printf("%s, %d tries of each case:\n", kind == ImClient::XimTerminal ? "XIM terminal" : "GTK 3 field",
                tries());
    std::printf("  %-90s %8s  %s\n", "case", "switches", "targets typed / played");
    std::printf("  %-90s %8d\n", "a lone Left Shift tap of the user's (5 taps, each a switch)", flips);
    std::printf("  %-90s %8d\n", off.name.c_str(), off.switches);
    for (const Row& row : rows)
        std::printf("  %-90s %8d  %d / %d\n", row.name.c_str(), row.switches, row.delivered, row.plays);
}

}  // namespace

TEST(InputMethod, NoTriggerSwitchesItInAnXimTerminal) { noSwitchesAndEachTargetOnce(ImClient::XimTerminal); }

TEST(InputMethod, NoTriggerSwitchesItInAGtk3Field) { noSwitchesAndEachTargetOnce(ImClient::Gtk3Field); }

// Pinyin being composed in an XIM terminal: the target reaches the terminal
// and the composition carries on, to be committed by the space after it.
TEST(InputMethod, TextBeingComposedStaysComposedAcrossATrigger) {
    ImDesktop d(ImClient::XimTerminal);
    ASSERT_TRUE(d.error.empty()) << d.error;
    auto compose = [&](std::vector<Step> between) {
        std::vector<Step> steps = typing("NIHAO");
        int at = steps.back().atMs + 60;
        for (Step& s : between) steps.push_back({at + s.atMs, s.vk, s.down});
        at = steps.back().atMs + 60;
        steps.push_back({at, vk::Space, true});
        steps.push_back({at + 20, vk::Space, false});
        return steps;
    };
    const Trial alone = d.run(compose({}));
    ASSERT_FALSE(alone.received.empty()) << alone.log;
    ASSERT_EQ(alone.received.find("nihao"), std::string::npos) << "pinyin is not on: " << shown(alone.received);
    const std::string committed = alone.received.substr(0, alone.received.find("\x1b[24~"));

    for (const Remap& r : {kRemaps[0], kRemaps[2]}) {
        SCOPED_TRACE(r.name);
        const Trial t = d.run(compose(chordSteps(r, kTimings[0], false)), r.action, r.inTerminal);
        EXPECT_EQ(t.switches, 0) << t.log;
        EXPECT_EQ(t.stateAfter, 2) << "pinyin is still on";
        EXPECT_EQ(t.plays, 1);
        EXPECT_EQ(t.received.substr(0, t.received.find("\x1b[24~")), r.inTerminal + committed)
            << shown(t.received) << "\n"
            << t.log;
        EXPECT_TRUE(d.nothingStuck());
    }
}
