#include <algorithm>
#include <cstdio>
#include <memory>

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>

#include "core/playback/player.h"
#include "platform/x11/x11_key_injector.h"
#include "support/x11_listener.h"
#include "ui/playback/keyfunc.h"

namespace {

constexpr std::uint16_t kShift = XCB_MOD_MASK_SHIFT;
constexpr std::uint16_t kCtrl = XCB_MOD_MASK_CONTROL;

class X11Injection : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(listener.ok()) << "no X display";
        std::string error;
        injector = x11::X11KeyInjector::open(nullptr, &error);
        ASSERT_TRUE(injector) << error;
        ASSERT_TRUE(listener.takeFocus());
    }

    const std::vector<KeyEventLog>& play(const std::string& action, std::size_t expectedEvents) {
        listener.clear();
        playback::PlayAction(action, *injector, [](int ms) { keyfunc::Delay(ms); });
        return listener.waitForEvents(expectedEvents);
    }

    // Runs the event loop for a while, so that deferred work happens.
    static void spin(int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    X11Listener listener;
    std::unique_ptr<x11::X11KeyInjector> injector;
};

void expectEvent(const KeyEventLog& e, bool press, x11::Keysym ks, std::uint16_t mods) {
    EXPECT_EQ(e.press, press) << describe(e);
    EXPECT_EQ(e.keysym, ks) << describe(e);
    EXPECT_EQ(e.state & (kShift | kCtrl | XCB_MOD_MASK_1 | XCB_MOD_MASK_4), mods) << describe(e);
}

}  // namespace

TEST_F(X11Injection, CombinationArrivesInOrderWithModifiersAndFullHold) {
    const auto& ev = play("3|17|16|83", 6);
    ASSERT_EQ(ev.size(), 6u) << describe(ev);
    expectEvent(ev[0], true, XK_Control_L, 0);
    expectEvent(ev[1], true, XK_Shift_L, kCtrl);
    expectEvent(ev[2], true, XK_s, kCtrl | kShift);
    expectEvent(ev[3], false, XK_s, kCtrl | kShift);
    expectEvent(ev[4], false, XK_Shift_L, kCtrl | kShift);
    expectEvent(ev[5], false, XK_Control_L, kCtrl);
    EXPECT_GE(ev[3].time - ev[2].time, 200u);
}

TEST_F(X11Injection, ArrowAndKeypadOperatorKeys) {
    const std::pair<const char*, x11::Keysym> cases[] = {
        {"1|37", XK_Left},    {"1|38", XK_Up},           {"1|39", XK_Right},        {"1|40", XK_Down},
        {"1|107", XK_KP_Add}, {"1|109", XK_KP_Subtract}, {"1|106", XK_KP_Multiply}, {"1|111", XK_KP_Divide},
    };
    for (const auto& [action, keysym] : cases) {
        const auto& ev = play(action, 2);
        ASSERT_EQ(ev.size(), 2u) << action << "\n" << describe(ev);
        expectEvent(ev[0], true, keysym, 0);
        expectEvent(ev[1], false, keysym, 0);
        EXPECT_GE(ev[1].time - ev[0].time, 100u) << action;
    }
}

TEST_F(X11Injection, KeysMissingFromTheKeymapAreTypedThroughASpareKeycode) {
    // F13 is on no key of the default layout; the keypad 0 only on a shifted level.
    for (const auto& [action, keysym] : {std::pair{"1|124", XK_F13}, std::pair{"2|17|96", XK_KP_0}}) {
        const std::size_t n = action[0] == '1' ? 2 : 4;
        const auto& ev = play(action, n);
        ASSERT_EQ(ev.size(), n) << action << "\n" << describe(ev);
        const KeyEventLog& press = ev[n / 2 - 1];
        EXPECT_TRUE(press.press);
        EXPECT_EQ(press.keysym, keysym) << describe(ev);
        EXPECT_EQ(ev[n / 2].keycode, press.keycode) << "released on another key";
    }
    // Shortly after the release the borrowed key is empty again.
    const xcb_keycode_t borrowed = listener.events()[1].keycode;
    spin(x11::X11KeyInjector::kRestoreDelayMs + 150);
    x11::Keymap now;
    now.load(listener.connection());
    EXPECT_EQ(now.keysymAt(borrowed, 0), 0u);
    EXPECT_EQ(now.keysymAt(borrowed, 1), 0u);
}

TEST_F(X11Injection, HoldMeasuredAtTheListenerIsNeverShort) {
    for (const auto& [action, nominal] : {std::pair{"1|65", 100u}, std::pair{"2|17|67", 200u}}) {
        std::vector<unsigned> holds;
        const std::size_t n = action[0] == '1' ? 2 : 4;
        for (int i = 0; i < 20; ++i) {
            const auto& ev = play(action, n);
            ASSERT_EQ(ev.size(), n) << describe(ev);
            holds.push_back(ev[n / 2].time - ev[n / 2 - 1].time);
        }
        std::sort(holds.begin(), holds.end());
        std::printf("hold of %s over 20 plays: min %u ms, median %u ms, max %u ms\n", action, holds.front(), holds[10],
                    holds.back());
        EXPECT_GE(holds.front(), nominal);
    }
}
