// Chords on the user's keyboard layout, on a real X server: a layout or
// modifier-map change regrabs them, a non-US key captures and fires as its
// code, locks do not stop a chord, and a target key that cannot be typed
// leaves nothing down.

#include <gtest/gtest.h>
#include <QTest>
#include <cstdlib>
#include <functional>

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>

#include "core/keys/virtual_keys.h"
#include "core/playback/player.h"
#include "core/settings/modINI.h"
#include "core/slots/settings_file.h"
#include "platform/x11/x11_hotkey_endpoint.h"
#include "platform/x11/x11_key_injector.h"
#include "platform/x11/x11_key_namer.h"
#include "platform/x11/x11_keyboard_state.h"
#include "support/spin.h"
#include "support/x11_listener.h"
#include "ui/playback/keyfunc.h"
#include "ui/qt/hotkey/capture_field.h"
#include "ui/qt/hotkey/zorvane.h"

namespace {

// Runs a command of the X tools on this display; true when it succeeded.
bool x11Tool(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

class X11Layout : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        session = x11::Session::open(nullptr, &error);
        ASSERT_TRUE(session) << error;
        user = x11::X11KeyInjector::open(nullptr, &error);
        ASSERT_TRUE(user) << error;
        service = std::make_unique<x11::X11HotkeyService>(session);
    }

    // Waits until both the program's session and the user's know the new layout.
    bool layoutIs(std::uint8_t vk, xcb_keycode_t kc) {
        return spinUntil([&] {
            return session->layout().keycodeToType(vk) == kc && user->session().layout().keycodeToType(vk) == kc;
        });
    }

    void tap(std::initializer_list<std::uint8_t> keys) {
        for (auto k : keys) user->keyDown(k);
        for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) user->keyUp(*it);
    }

    std::unique_ptr<platform::HotkeyEndpoint> chord(mod::Mask mods, int vk, int* fired) {
        auto e = service->createEndpoint();
        e->onPressed = [fired](bool) { ++*fired; };
        EXPECT_TRUE(e->registerChord(mods, vk));
        return e;
    }

    std::shared_ptr<x11::Session> session;
    std::unique_ptr<x11::X11KeyInjector> user;
    std::unique_ptr<x11::X11HotkeyService> service;
};

}  // namespace

TEST_F(X11Layout, AChordStillFiresAfterTheLayoutChanges) {
    int fired = 0;
    auto e = chord(mod::Mask::Control, 'Z', &fired);
    tap({vk::Control, 'Z'});
    ASSERT_TRUE(spinUntil([&] { return fired == 1; }));

    // German: Z and Y change places.
    ASSERT_TRUE(x11Tool("setxkbmap de"));
    ASSERT_TRUE(layoutIs('Z', 29)) << "keycode of Z now " << int(session->layout().keycodeToType('Z'));
    tap({vk::Control, 'Z'});
    EXPECT_TRUE(spinUntil([&] { return fired == 2; })) << "the chord is grabbed on the new keycode";
    tap({vk::Control, 'Y'});  // the key that was Z
    spin(100);
    EXPECT_EQ(fired, 2) << "and no longer on the old one";
}

TEST_F(X11Layout, AnAzertyDigitRowChordIsCapturedSavedAsItsCodeAndFires) {
    ASSERT_TRUE(x11Tool("setxkbmap fr"));
    ASSERT_TRUE(layoutIs('1', 10));
    x11::X11KeyNamer namer(session);
    const app::SettingsFile file(modINI::JoinPath(modINI::ProgramFolder(), "x11-azerty-test.ini"));
    app::IniChordStore chords(file);
    Zorvane z("Zorvane1", nullptr, true, {.hotkeys = service.get(), .keyNamer = &namer}, &chords);
    z.ReadProperties({{"INIFileName", "x11-azerty-test.ini"}});
    std::remove(file.path().c_str());
    z.resize(200, 24);
    z.show();
    z.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&z));
    z.txtHotKey()->setFocus();
    ASSERT_TRUE(spinUntil([&] { return z.txtHotKey()->hasFocus(); }));

    // The key that types & unshifted and 1 shifted.
    user->keyDown(vk::Control);
    user->keyDown('1');
    EXPECT_TRUE(spinUntil([&] { return z.Text() == "Ctrl + 1"; })) << z.Text().toStdString();
    user->keyUp('1');
    user->keyUp(vk::Control);
    spin(50);
    EXPECT_EQ(z.KeyCode(), '1');
    ASSERT_TRUE(z.SaveSettings());
    EXPECT_EQ(file.read("Zorvane", "Zorvane1KeyCode", "-"), "49");

    int fired = 0;
    QObject::connect(&z, &Zorvane::HotKeyPressed, [&] { ++fired; });
    z.SetHotKeyEnabled(true);
    ASSERT_TRUE(z.HotKeyEnabled());
    // Pressed in another window: a key typed into the field would change the chord.
    X11Listener elsewhere;
    ASSERT_TRUE(elsewhere.takeFocus());
    tap({vk::Control, '1'});
    EXPECT_TRUE(spinUntil([&] { return fired == 1; }));
    EXPECT_TRUE(z.HotKeyEnabled());
    std::remove(file.path().c_str());
}

TEST_F(X11Layout, AChordFiresWithScrollLockBoundAndOn) {
    ASSERT_TRUE(x11Tool("xmodmap -e 'add mod3 = Scroll_Lock'"));
    ASSERT_TRUE(spinUntil([&] { return (session->layout().lockMask() & XCB_MOD_MASK_3) != 0; }));
    int fired = 0;
    auto e = chord(mod::Mask::Control, 'Q', &fired);
    tap({vk::Scroll});  // ScrollLock on
    X11Listener listener;
    ASSERT_TRUE(listener.takeFocus());
    tap({vk::Shift});
    const auto& ev = listener.waitForEvents(1);
    ASSERT_FALSE(ev.empty());
    ASSERT_TRUE(ev.front().state & XCB_MOD_MASK_3) << "ScrollLock is on: " << describe(ev.front());
    tap({vk::Control, 'Q'});
    EXPECT_TRUE(spinUntil([&] { return fired == 1; }));
    tap({vk::Scroll});
}

TEST_F(X11Layout, ATargetKeyThatCannotBeTypedLeavesNothingDown) {
    X11Listener listener;
    ASSERT_TRUE(listener.takeFocus());
    x11::X11KeyInjector injector(session);
    x11::X11KeyboardState state(session);
    playback::Player player(injector, &state, [](int ms) { keyfunc::Delay(ms); });
    std::string problem;
    player.onProblem = [&](const std::string& why) { problem = why; };
    player.play("3|17|16|232");  // 232 is a code no keyboard has
    EXPECT_NE(problem.find("232"), std::string::npos) << problem;
    // Ctrl and Shift come up behind a key that nothing acts on, so that
    // input methods see no Ctrl+Shift tap.
    const auto& ev = listener.waitForEvents(6);
    ASSERT_EQ(ev.size(), 6u) << describe(ev);
    EXPECT_TRUE(ev[0].press && ev[0].keysym == XK_Control_L) << describe(ev);
    EXPECT_TRUE(ev[1].press && ev[1].keysym == XK_Shift_L) << describe(ev);
    EXPECT_TRUE(ev[2].press && ev[2].keysym == 0 && !ev[3].press && ev[3].keysym == 0) << describe(ev);
    EXPECT_TRUE(!ev[4].press && ev[4].keysym == XK_Shift_L) << describe(ev);
    EXPECT_TRUE(!ev[5].press && ev[5].keysym == XK_Control_L) << describe(ev);
    state.sync();
    EXPECT_TRUE(state.logicalDown().none()) << "a key is left down";
}
