// The focused application receives exactly the target shortcut, as often as
// the target was played, and no key is left down, with a real (nested-display)
// keyboard in the user's hands.

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <sstream>

#include "core/keys/virtual_keys.h"
#include "delivery/delivery_bed.h"
#include "platform/x11/vk_keysym.h"

using namespace bed;
using mod::Mask;

namespace {

x11::Keysym ks(std::uint8_t vk) { return x11::VkToKeysym(vk); }

// A target: its modifier keys (as a chord mask) and its one other key.
struct Target {
    Mask mods;
    std::uint8_t key;
    std::string action() const {
        std::vector<int> keys;
        if (mods & Mask::Control) keys.push_back(vk::Control);
        if (mods & Mask::Shift) keys.push_back(vk::Shift);
        if (mods & Mask::Alt) keys.push_back(vk::Menu);
        if (mods & Mask::Win) keys.push_back(vk::LWin);
        keys.push_back(key);
        std::string a = std::to_string(keys.size());
        for (int k : keys) a += "|" + std::to_string(k);
        return a;
    }
};

struct Remap {
    Mask mods;  // trigger chord
    std::uint8_t key;
    Target target;
};

std::vector<std::uint8_t> modifierKeys(Mask mods) {
    std::vector<std::uint8_t> keys;
    if (mods & Mask::Control) keys.push_back(vk::LControl);
    if (mods & Mask::Alt) keys.push_back(vk::LMenu);
    if (mods & Mask::Shift) keys.push_back(vk::LShift);
    if (mods & Mask::Win) keys.push_back(vk::LWin);
    return keys;
}

// The mask with `bit` turned over.
Mask flipped(Mask mods, Mask bit) { return mods & bit ? mods.without(bit) : mods | bit; }

// What went wrong in one run, by kind; empty when nothing did.
struct Verdict {
    std::vector<std::string> faults;
    void add(const std::string& f) { faults.push_back(f); }
    bool ok() const { return faults.empty(); }
};

bool configure(DeliveryBed& b, const std::vector<Remap>& remaps) {
    std::vector<Slot> chords;
    for (const Remap& r : remaps) chords.push_back({r.mods, r.key, r.target.action()});
    return b.configure(chords);
}

// Every key press the application received is a target's key with exactly
// that target's modifiers, each target key arrived once per playback of its
// target, and no trigger key arrived otherwise.
void checkDeliveries(DeliveryBed& b, const std::vector<Remap>& remaps, Verdict& v) {
    std::map<x11::Keysym, int> expected, arrived;
    for (const Remap& r : remaps) {
        const auto it = b.played().find(r.target.action());
        const int plays = it == b.played().end() ? 0 : it->second;
        if (plays == 0) v.add("the trigger " + r.target.action() + " was never played");
        expected[ks(r.target.key)] += plays;
    }
    for (const auto& e : b.listener().events()) {
        if (e.raw || !e.press) continue;
        bool target = false;
        for (const Remap& r : remaps) {
            if (e.keysym != ks(r.target.key)) continue;
            target = true;
            if ((e.state & kModifierBits) != xState(r.target.mods)) {
                std::ostringstream s;
                s << "target key arrived with modifiers 0x" << std::hex << (e.state & kModifierBits) << " instead of 0x"
                  << xState(r.target.mods) << ": " << describe(e);
                v.add(s.str());
            }
        }
        if (target) ++arrived[e.keysym];
        for (const Remap& r : remaps)
            if (!target && e.keysym == ks(r.key)) v.add("the trigger key reached the application: " + describe(e));
    }
    for (const auto& [keysym, n] : expected)
        if (arrived[keysym] != n)
            v.add("a target key arrived " + std::to_string(arrived[keysym]) + " times for " + std::to_string(n) +
                  " playbacks");
}

void checkNothingStuck(DeliveryBed& b, Verdict& v) {
    if (!b.userLetsGoOfEverything()) v.add("the user's keys did not come up");
    if (b.logicalDown() != b.physicalDown()) v.add("logical state differs from physical state");
    if (b.logicalDown().any()) v.add("a key is left down");
    if (b.serverLogicalDown() != b.logicalDown()) v.add("the program's view of the keys differs from the server's");
}

// A press of the user's chord: modifiers in the given order, then the key.
std::vector<Step> chord(int at, const std::vector<std::uint8_t>& mods, std::uint8_t key, int& keyAt) {
    std::vector<Step> steps;
    for (auto m : mods) steps.push_back({at, m, true}), at += 8;
    keyAt = at + 5;
    steps.push_back({keyAt, key, true});
    return steps;
}

std::string explain(const Verdict& v, DeliveryBed& bed) {
    std::string s;
    for (const auto& f : v.faults) s += f + "\n";
    return s + describe(bed.listener().events());
}

// One named case: the user presses the chord, holds its key `holdMs`, then
// lets go of the key and the modifiers.
Verdict namedCase(DeliveryBed& b, const Remap& r, int holdMs) {
    Verdict v;
    if (!configure(b, {r})) {
        v.add("chord refused");
        return v;
    }
    int keyAt = 0;
    auto steps = chord(0, modifierKeys(r.mods), r.key, keyAt);
    steps.push_back({keyAt + holdMs, r.key, false});
    for (auto m : modifierKeys(r.mods)) steps.push_back({keyAt + holdMs + 5, m, false});
    b.perform(steps);
    checkDeliveries(b, {r}, v);
    checkNothingStuck(b, v);
    return v;
}

// Why a failed trial says nothing about the program, when that is so.
enum class NotTheProgram {
    No,
    // The nested display let go of a modifier that no keyboard did: Xephyr
    // syncs its modifiers to the outer display's with every key it forwards,
    // and so releases ones the program holds, which real keyboards never do.
    MadeUpRelease,
    // The user let go of a modifier the target shares after the program last
    // looked and before the target's key went out. X keeps one key state for
    // all keyboards, so that release takes the modifier from the target too.
    LetGoAsTheKeyWentOut,
};

// A failed trial is not the program's when each target key short of
// modifiers lacks only ones that the user let go of after the program's last
// look at them, or that the nested display let go of on its own after the
// program last pressed or looked at them. Any other fault is the program's.
NotTheProgram whyNotTheProgram(const Verdict& v, const std::vector<Remap>& remaps,
                               const std::vector<KeyEventLog>& log) {
    for (const auto& f : v.faults)
        if (f.rfind("target key arrived with modifiers", 0) != 0) return NotTheProgram::No;
    const std::pair<std::uint8_t, Mask> modifiers[] = {
        {vk::LControl, Mask::Control}, {vk::LMenu, Mask::Alt}, {vk::LShift, Mask::Shift}, {vk::LWin, Mask::Win}};
    // Per event, which modifiers the keyboard let go of without holding them.
    std::vector<bool> madeUp(log.size());
    std::map<x11::Keysym, bool> keyboardHolds;
    for (std::size_t i = 0; i < log.size(); ++i) {
        const KeyEventLog& e = log[i];
        if (!e.raw || e.injected) continue;
        madeUp[i] = !e.press && !keyboardHolds[e.keysym];
        keyboardHolds[e.keysym] = e.press;
    }
    auto releasedBetween = [&](std::size_t from, std::size_t to, std::uint8_t vk, bool byTheDisplay) {
        for (std::size_t j = from; j < to; ++j)
            if (log[j].raw && !log[j].injected && !log[j].press && log[j].keysym == ks(vk) && madeUp[j] == byTheDisplay)
                return true;
        return false;
    };
    NotTheProgram why = NotTheProgram::LetGoAsTheKeyWentOut;
    std::size_t lastTarget = 0;
    for (std::size_t i = 0; i < log.size(); ++i) {
        const KeyEventLog& e = log[i];
        if (e.raw || e.look || !e.press) continue;
        const auto r =
            std::find_if(remaps.begin(), remaps.end(), [&](const Remap& r) { return e.keysym == ks(r.target.key); });
        if (r == remaps.end()) continue;
        const int got = e.state & kModifierBits, want = xState(r->target.mods);
        if (got & ~want) return NotTheProgram::No;
        for (const auto& [vk, bit] : modifiers) {
            if (!(want & ~got & xState(bit))) continue;
            // The program's last look at the modifier, and its last press of it.
            std::size_t look = i, pressed = i;
            while (look > lastTarget && !(log[look - 1].look && log[look - 1].keysym == ks(vk))) --look;
            while (pressed > lastTarget && !(log[pressed - 1].raw && log[pressed - 1].injected &&
                                             log[pressed - 1].press && log[pressed - 1].keysym == ks(vk)))
                --pressed;
            if (look > lastTarget && releasedBetween(look, i, vk, false)) continue;
            if (!releasedBetween(std::max(look, pressed), i, vk, true)) return NotTheProgram::No;
            why = NotTheProgram::MadeUpRelease;
        }
        lastTarget = i;
    }
    return why;
}

class Delivery : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(b.ok()) << b.error; }
    DeliveryBed b;
};

// Held past the bed's repeat delay of 300 ms, the trigger repeats.
constexpr int kTap = 20, kHeld = 900;

}  // namespace

TEST_F(Delivery, CtrlAltAToCtrlC) {
    for (const int hold : {kTap, kHeld}) {
        const Verdict v = namedCase(b, {Mask::Control | Mask::Alt, 'A', {Mask::Control, 'C'}}, hold);
        EXPECT_TRUE(v.ok()) << "held " << hold << " ms\n" << explain(v, b);
    }
}

TEST_F(Delivery, AltQToCtrlWReleasesAltWithoutALoneTap) {
    const Verdict v = namedCase(b, {Mask::Alt, 'Q', {Mask::Control, 'W'}}, 400);
    EXPECT_TRUE(v.ok()) << explain(v, b);
    // Between the user's Alt going down and Alt's first release, another key event came.
    const auto& ev = b.listener().events();
    const auto altDown = std::find_if(
        ev.begin(), ev.end(), [](const KeyEventLog& e) { return !e.raw && e.press && e.keysym == ks(vk::LMenu); });
    ASSERT_NE(altDown, ev.end()) << describe(ev);
    const auto altUp = std::find_if(
        altDown, ev.end(), [](const KeyEventLog& e) { return !e.raw && !e.press && e.keysym == ks(vk::LMenu); });
    ASSERT_NE(altUp, ev.end()) << describe(ev);
    EXPECT_GT(std::distance(altDown, altUp), 1) << "Alt was tapped alone:\n" << describe(ev);
}

// The most common remap: the same key under other modifiers. The target's own
// press of the key reaches the application; the user's presses of it never do.
TEST_F(Delivery, SameKeyRemapsDeliverTheTargetOncePerPlayback) {
    const Remap remaps[] = {
        {Mask::Alt, 'C', {Mask::Control, 'C'}},
        {Mask::Win, 'Z', {Mask::Control, 'Z'}},
        {Mask::Control | Mask::Shift, 'V', {Mask::Control, 'V'}},
        {Mask::Control | Mask::Alt, 'X', {Mask::Control, 'X'}},
    };
    for (const Remap& r : remaps)
        for (const int hold : {kTap, 150, kHeld}) {
            const Verdict v = namedCase(b, r, hold);
            EXPECT_TRUE(v.ok()) << r.target.action() << " from mods " << r.mods.bits() << ", held " << hold << " ms\n"
                                << explain(v, b);
            if (hold == kTap) {
                EXPECT_EQ(b.playbacks(), 1) << "a tap plays the target once";
            }
        }
}

TEST_F(Delivery, F8ToCtrlShiftSClearsNothing) {
    const Verdict v = namedCase(b, {Mask{}, vk::F8, {Mask::Control | Mask::Shift, 'S'}}, 300);
    EXPECT_TRUE(v.ok()) << explain(v, b);
    for (const auto& e : b.listener().events())
        EXPECT_FALSE(!e.raw && !e.look && e.keysym == 0) << "a masking key was sent with nothing to mask";
}

TEST_F(Delivery, CtrlQToCtrlCKeepsCtrlHeldAfterwards) {
    const Remap r{Mask::Control, 'Q', {Mask::Control, 'C'}};
    ASSERT_TRUE(configure(b, {r}));
    b.perform({{0, vk::LControl, true}, {10, 'Q', true}, {40, 'Q', false}});
    DeliveryBed::spin(300);  // the playback is over; Ctrl is still in the user's hand
    EXPECT_TRUE(b.logicalDown()[vk::LControl]) << "Ctrl is down as the user holds it";
    EXPECT_EQ(b.logicalDown(), b.physicalDown());
    Verdict v;
    checkDeliveries(b, {r}, v);
    checkNothingStuck(b, v);
    EXPECT_TRUE(v.ok()) << explain(v, b);
}

TEST_F(Delivery, TheUserLetsGoOfEverythingDuringTheHold) {
    const Remap r{Mask::Control | Mask::Alt, 'A', {Mask::Control | Mask::Shift, 'S'}};
    ASSERT_TRUE(configure(b, {r}));
    b.perform({{0, vk::LControl, true},
               {8, vk::LMenu, true},
               {16, 'A', true},
               {60, 'A', false},
               {70, vk::LMenu, false},
               {80, vk::LControl, false}});
    Verdict v;
    checkDeliveries(b, {r}, v);
    if (b.logicalDown().any()) v.add("a key is left down right after the playback");
    checkNothingStuck(b, v);
    EXPECT_TRUE(v.ok()) << explain(v, b);
}

// Another program pressed Ctrl and the user let go of it: Ctrl is up for
// applications but still down on the XTest device, where a press of it would
// do nothing. The target's Ctrl goes down all the same.
TEST_F(Delivery, AKeyLeftDownOnTheInjectionDeviceStillGoesDown) {
    std::string error;
    auto other = x11::X11KeyInjector::open(nullptr, &error);
    ASSERT_TRUE(other) << error;
    other->keyDown(vk::Control);
    b.perform({{0, vk::LControl, true}, {20, vk::LControl, false}});
    ASSERT_FALSE(b.serverLogicalDown()[vk::LControl]) << "the user's release let go of it for applications";
    const Remap r{Mask::Alt, 'C', {Mask::Control, 'C'}};
    ASSERT_TRUE(configure(b, {r}));
    b.perform({{0, vk::LMenu, true}, {10, 'C', true}, {40, 'C', false}, {50, vk::LMenu, false}});
    Verdict v;
    checkDeliveries(b, {r}, v);
    checkNothingStuck(b, v);
    EXPECT_TRUE(v.ok()) << explain(v, b);
}

// The user holds Ctrl through a playback whose target shares it, so Ctrl is
// down on the XTest device too, then lets go of it in the instant before the
// next playback, which the program starts still believing Ctrl held: the
// target's Ctrl goes down all the same.
TEST_F(Delivery, ASharedModifierLetGoOfJustBeforeAPlaybackStillGoesDown) {
    const Remap r{Mask::Control | Mask::Alt, 'J', {Mask::Control, 'C'}};
    ASSERT_TRUE(configure(b, {r}));
    b.perform(
        {{0, vk::LControl, true}, {10, vk::LMenu, true}, {20, 'J', true}, {40, 'J', false}, {50, vk::LMenu, false}});
    const xcb_keycode_t ctrl = b.session().layout().keycodeToType(vk::LControl);
    ASSERT_TRUE(b.session().injected()[ctrl]) << "the playback kept Ctrl down on the device";
    ASSERT_TRUE(b.typeBehindTheProgramsBack(vk::LControl, false));
    ASSERT_TRUE(b.session().logical()[ctrl]) << "the program has not read the release";
    b.listener().clear();
    auto& injector = b.injector();
    injector.beginBatch();
    injector.ensureDown(vk::LControl);
    injector.keyDown('C');
    injector.keyUp('C');
    injector.keyUp(vk::LControl);
    injector.endBatch();
    const auto& events = b.listener().waitForEvents(4);
    const auto c = std::find_if(events.begin(), events.end(),
                                [](const KeyEventLog& e) { return !e.raw && e.press && e.keysym == ks('C'); });
    ASSERT_NE(c, events.end()) << describe(events);
    EXPECT_EQ(c->state & kModifierBits, xState(Mask::Control)) << describe(events);
    Verdict v;
    checkNothingStuck(b, v);
    EXPECT_TRUE(v.ok()) << explain(v, b);
}

// The user's Win goes down while this display has the keyboard's focus and
// comes up while another window on the outer display has it (as on a lock
// screen): this display never sees the release until its keyboard speaks
// again. The trigger after it leaves nothing down.
TEST_F(Delivery, AModifierLetGoOfWhileTheDisplayHadNoFocusIsNotPressedAgain) {
    const Remap r{Mask::Control | Mask::Alt, 'J', {Mask::Control, 'C'}};
    ASSERT_TRUE(configure(b, {r}));
    b.perform({{0, vk::LWin, true}});
    ASSERT_TRUE(b.physicalDown()[vk::LWin]);
    {
        // A window of another program on the outer display takes the focus.
        xcb_connection_t* outer = xcb_connect(std::getenv("OUTER_DISPLAY"), nullptr);
        ASSERT_FALSE(xcb_connection_has_error(outer));
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(outer)).data;
        const xcb_window_t other = xcb_generate_id(outer);
        xcb_create_window(outer, XCB_COPY_FROM_PARENT, other, screen->root, 900, 700, 50, 50, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(outer, other);
        xcb_set_input_focus(outer, XCB_INPUT_FOCUS_POINTER_ROOT, other, XCB_CURRENT_TIME);
        std::free(xcb_get_input_focus_reply(outer, xcb_get_input_focus(outer), nullptr));
        b.perform({{0, vk::LWin, false}});
        ASSERT_TRUE(b.serverLogicalDown()[vk::LWin]) << "the release reached the nested display";
        xcb_disconnect(outer);
    }
    const std::string focusBack =
        "DISPLAY=" + std::string(std::getenv("OUTER_DISPLAY")) + " xdotool search --class Xephyr windowfocus --sync";
    ASSERT_EQ(std::system(focusBack.c_str()), 0);
    b.perform({{0, vk::LControl, true},
               {10, vk::LMenu, true},
               {20, 'J', true},
               {40, 'J', false},
               {50, vk::LMenu, false},
               {60, vk::LControl, false}});
    Verdict v;
    checkDeliveries(b, {r}, v);
    checkNothingStuck(b, v);
    EXPECT_TRUE(v.ok()) << explain(v, b);
}

// Keys that reach the server in one go with the trigger's press wait behind
// its grab and come before the target's keys: the target must allow for them.
TEST_F(Delivery, KeysTypedInTheSameInstantAsTheTriggerComeBeforeItsTarget) {
    const Remap first{Mask::Control, vk::F8, {Mask::Control | Mask::Win, 'H'}};  // Ctrl+F8
    const Remap second{Mask::Alt, vk::F6, {Mask::Alt, 'N'}};                     // Alt+F6
    ASSERT_TRUE(configure(b, {first, second}));
    // Ctrl+F8 tapped, then straight on Alt+F6: all in one instant.
    b.perform({{0, vk::LControl, true},
               {0, vk::F8, true},
               {0, vk::F8, false},
               {0, vk::LControl, false},
               {0, vk::LMenu, true},
               {0, vk::F6, true},
               {60, vk::F6, false},
               {70, vk::LMenu, false}});
    Verdict v;
    checkDeliveries(b, {first, second}, v);
    checkNothingStuck(b, v);
    EXPECT_TRUE(v.ok()) << explain(v, b);

    // Shift pressed in the instant the trigger went down.
    ASSERT_TRUE(configure(b, {first}));
    b.perform({{0, vk::LControl, true},
               {0, vk::F8, true},
               {0, vk::LShift, true},
               {40, vk::F8, false},
               {50, vk::LControl, false},
               {60, vk::LShift, false}});
    Verdict w;
    checkDeliveries(b, {first}, w);
    checkNothingStuck(b, w);
    EXPECT_TRUE(w.ok()) << explain(w, b);
}

// Presses quicker than a playback are played after it, in order, not dropped:
// the same trigger tapped twice 100 ms apart, and another slot's trigger whose
// key the running target is holding down.
TEST_F(Delivery, TriggersPressedDuringAPlaybackArePlayedAfterIt) {
    const Remap undo{Mask::Control | Mask::Alt, 'J', {Mask::Control, 'Z'}};
    ASSERT_TRUE(configure(b, {undo}));
    b.perform({{0, vk::LControl, true},
               {5, vk::LMenu, true},
               {10, 'J', true},
               {30, 'J', false},
               {110, 'J', true},
               {130, 'J', false},
               {150, vk::LMenu, false},
               {160, vk::LControl, false}});
    EXPECT_EQ(b.played().at(undo.target.action()), 2) << "a double tap plays twice";
    Verdict v;
    checkDeliveries(b, {undo}, v);
    checkNothingStuck(b, v);
    EXPECT_TRUE(v.ok()) << explain(v, b);

    const Remap copy{Mask::Control | Mask::Alt, 'A', {Mask::Control, 'C'}};
    const Remap paste{Mask::Alt, 'C', {Mask::Control, 'V'}};
    ASSERT_TRUE(configure(b, {copy, paste}));
    b.perform({{0, vk::LControl, true},
               {5, vk::LMenu, true},
               {10, 'A', true},
               {30, 'A', false},
               {40, vk::LControl, false},
               {45, vk::LMenu, false},
               {90, vk::LMenu, true},
               {100, 'C', true},
               {130, 'C', false},
               {140, vk::LMenu, false}});
    Verdict w;
    checkDeliveries(b, {copy, paste}, w);
    checkNothingStuck(b, w);
    EXPECT_TRUE(w.ok()) << explain(w, b);
    const auto& events = b.listener().events();
    const auto c = std::find_if(events.begin(), events.end(),
                                [](const KeyEventLog& e) { return !e.raw && e.press && e.keysym == ks('C'); });
    const auto v2 = std::find_if(events.begin(), events.end(),
                                 [](const KeyEventLog& e) { return !e.raw && e.press && e.keysym == ks('V'); });
    EXPECT_LT(c, v2) << "in the order pressed";
}

// E's target holds Ctrl+Alt when the user presses Ctrl+Alt+E, another slot's
// chord: the user's own modifiers say which chord it is.
TEST_F(Delivery, AChordPressedDuringAPlaybackIsTheOneWhoseModifiersTheUserHolds) {
    const Remap plain{Mask{}, 'E', {Mask::Control | Mask::Alt, 'H'}};
    const Remap withMods{Mask::Control | Mask::Alt, 'E', {Mask::Shift | Mask::Win, 'V'}};
    ASSERT_TRUE(configure(b, {plain, withMods}));
    b.perform({{5, 'E', true},
               {48, 'E', false},
               {63, vk::LControl, true},
               {71, vk::LMenu, true},
               {84, 'E', true},
               {109, 'E', false},
               {185, vk::LControl, false},
               {306, vk::LMenu, false}});
    Verdict v;
    checkDeliveries(b, {plain, withMods}, v);
    checkNothingStuck(b, v);
    EXPECT_TRUE(v.ok()) << explain(v, b);
}

// T's target lets go of the user's Shift to type Ctrl+Win+M; the user, still
// holding Ctrl+Shift, adds Alt and presses W, another slot's chord, which
// reaches the server without the Shift the playback let go of.
TEST_F(Delivery, AChordPressedWhileAPlaybackHasLetGoOfItsModifiersStillFires) {
    const Remap first{Mask::Control | Mask::Shift, 'T', {Mask::Control | Mask::Win, 'M'}};
    const Remap second{Mask::Control | Mask::Alt | Mask::Shift, 'W', {Mask::Shift | Mask::Win, 'F'}};
    ASSERT_TRUE(configure(b, {first, second}));
    b.perform({{0, vk::LControl, true},
               {10, vk::LShift, true},
               {20, 'T', true},
               {45, 'T', false},
               {70, vk::LMenu, true},
               {90, 'W', true},
               {115, 'W', false},
               {400, vk::LMenu, false},
               {410, vk::LShift, false},
               {420, vk::LControl, false}});
    Verdict v;
    checkDeliveries(b, {first, second}, v);
    checkNothingStuck(b, v);
    EXPECT_TRUE(v.ok()) << explain(v, b);
}

TEST_F(Delivery, TheTriggerHeldForThreeSeconds) {
    const Verdict v = namedCase(b, {Mask::Control | Mask::Alt, 'A', {Mask::Control, 'C'}}, 3000);
    EXPECT_TRUE(v.ok()) << explain(v, b);
    EXPECT_GE(b.playbacks(), 2) << "a held trigger fires again at the repeat rate";
}

// Random remaps and random ways of pressing them, seeded and reproducible:
// ZORVANE_SEED sets the first seed, ZORVANE_TRIALS the count, and
// ZORVANE_DELIVERY_BASELINE=1 plays targets as the keys stand, for comparison.
// The trials cover what users meet: the trigger's key as the target's key
// under every modifier, quick taps and long holds with auto-repeat, the
// modifiers let go of before, during and after the hold, and a second
// trigger during the hold.
TEST(DeliveryProperty, RandomTriggersAndUsers) {
    const bool baseline = std::getenv("ZORVANE_DELIVERY_BASELINE") != nullptr;
    const unsigned first =
        std::getenv("ZORVANE_SEED") ? std::strtoul(std::getenv("ZORVANE_SEED"), nullptr, 10) : 20261207u;
    const int trials = std::getenv("ZORVANE_TRIALS") ? std::atoi(std::getenv("ZORVANE_TRIALS")) : 500;
    DeliveryBed b(!baseline);
    ASSERT_TRUE(b.ok()) << b.error;

    const std::uint8_t triggerKeys[] = {'Q', 'W', 'E', 'R', 'T', 'Y', vk::F5, vk::F6, vk::F7, vk::F8};
    const std::uint8_t targetKeys[] = {'A', 'S', 'D', 'F', 'G', 'H', 'J', 'K', 'L', 'Z', 'X', 'C', 'V', 'B', 'N', 'M'};
    int failed = 0, sameKey = 0, taps = 0, repeats = 0, seconds = 0, madeUp = 0, letGo = 0;
    std::vector<std::string> firstFailures;
    for (int trial = 0; trial < trials; ++trial) {
        const unsigned seed = first + static_cast<unsigned>(trial);
        std::mt19937 rng(seed);
        auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
        auto chance = [&](double p) { return std::bernoulli_distribution(p)(rng); };
        auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        // At most three keys to a target.
        auto targetMods = [&] {
            int m = pick(16);
            while (__builtin_popcount(static_cast<unsigned>(m)) > 2) m &= m - 1;
            return Mask(m);
        };
        // Ctrl+Alt+F-key switches the console, on the outer display as on a desktop.
        auto usable = [](Mask mods, std::uint8_t key) {
            return !((mods & Mask::Control) && (mods & Mask::Alt) && key >= vk::F1);
        };

        const bool second = chance(0.3);
        Remap a{Mask(pick(16)), triggerKeys[pick(10)], {targetMods(), targetKeys[pick(16)]}};
        if (chance(0.4)) {
            // The same key under other modifiers: the trigger and target must differ somewhere.
            a.key = a.target.key;
            if (a.mods == a.target.mods) a.mods = flipped(a.mods, Mask::Alt);
            ++sameKey;
        }
        if (!usable(a.mods, a.key)) a.key = 'Q';
        if (second && !a.target.mods) a.target.mods = Mask::Control;  // two keys: a 200 ms hold to press into
        Remap bb{Mask(pick(16)), triggerKeys[pick(10)], {targetMods(), targetKeys[pick(16)]}};
        while (bb.target.key == a.target.key) bb.target.key = targetKeys[pick(16)];
        if (chance(0.3)) bb.key = bb.target.key;
        if (bb.key == a.key && bb.mods == a.mods) bb.mods = flipped(bb.mods, Mask::Shift);
        if (bb.key == a.target.key || !usable(bb.mods, bb.key)) bb.key = a.key == 'W' ? 'E' : 'W';
        if (bb.key == bb.target.key && bb.mods == bb.target.mods) bb.mods = flipped(bb.mods, Mask::Alt);
        if (bb.key == a.key && bb.mods == a.mods) bb.mods = flipped(bb.mods, Mask::Shift);

        std::vector<Remap> remaps{a};
        if (second) remaps.push_back(bb);
        if (!configure(b, remaps)) {
            ++failed;
            firstFailures.push_back("seed " + std::to_string(seed) + ": chord refused");
            continue;
        }

        std::vector<std::uint8_t> order = modifierKeys(a.mods);
        std::shuffle(order.begin(), order.end(), rng);
        int keyAt = 0;
        std::vector<Step> steps = chord(0, order, a.key, keyAt);
        if (second) {
            // During A's hold: let go of A, press B.
            const int away = keyAt + between(25, 45);
            steps.push_back({away, a.key, false});
            for (auto m : order) steps.push_back({away + 2, m, false});
            std::vector<std::uint8_t> orderB = modifierKeys(bb.mods);
            std::shuffle(orderB.begin(), orderB.end(), rng);
            int keyBAt = 0;
            for (const Step& s : chord(away + 15, orderB, bb.key, keyBAt)) steps.push_back(s);
            steps.push_back({keyBAt + between(15, 40), bb.key, false});
            for (auto m : orderB) steps.push_back({keyBAt + between(20, 250), m, false});
        } else {
            const int kind = pick(3);
            const int hold = kind == 0 ? between(3, 29) : kind == 1 ? between(30, 250) : between(350, 1200);
            taps += kind == 0;
            repeats += kind == 2;
            steps.push_back({keyAt + hold, a.key, false});
            // Before, during or after the hold of the target (100 or 200 ms), and of the key.
            for (auto m : order) steps.push_back({keyAt + between(1, hold + 300), m, false});
        }
        std::stable_sort(steps.begin(), steps.end(), [](const Step& x, const Step& y) { return x.atMs < y.atMs; });
        if (std::getenv("ZORVANE_VERBOSE")) {
            for (const auto& r : remaps)
                std::printf("slot: mods %d key %d -> %s\n", r.mods.bits(), r.key, r.target.action().c_str());
            for (const auto& st : steps) std::printf("  %4d %s %d\n", st.atMs, st.down ? "down" : "up", st.vk);
        }
        seconds += steps.back().atMs;
        b.perform(steps);

        Verdict v;
        checkDeliveries(b, remaps, v);
        checkNothingStuck(b, v);
        if (!v.ok()) {
            const NotTheProgram why = whyNotTheProgram(v, remaps, b.listener().events());
            madeUp += why == NotTheProgram::MadeUpRelease;
            letGo += why == NotTheProgram::LetGoAsTheKeyWentOut;
            if (why == NotTheProgram::No) ++failed;
            if (firstFailures.size() < 5)
                firstFailures.push_back("seed " + std::to_string(seed) +
                                        (why == NotTheProgram::MadeUpRelease ? " (the nested display's release)"
                                         : why == NotTheProgram::LetGoAsTheKeyWentOut
                                             ? " (let go of as the key went out)"
                                             : "") +
                                        ": " + explain(v, b));
        }
    }
    std::printf(
        "%s: %d trials from seed %u (%d same-key, %d taps under 30 ms, %d held past the repeat delay), "
        "%d failed (%.1f%%); not counted: %d spoilt by a release the nested display made up, "
        "%d where the user let go of a shared modifier as the target's key went out\n",
        baseline ? "baseline playback" : "exact delivery", trials, first, sameKey, taps, repeats, failed,
        100.0 * failed / std::max(trials, 1), madeUp, letGo);
    for (const auto& f : firstFailures) std::printf("%s\n", f.c_str());
    if (!baseline) {
        EXPECT_EQ(failed, 0);
        // Trials left out are rare; many would mean the bed measures nothing.
        EXPECT_LE(madeUp + letGo, trials / 50);
    }
}
