#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QTest>
#include <functional>

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/Xlib.h>
#include <X11/keysymdef.h>

#include "core/keys/virtual_keys.h"
#include "platform/x11/keymap.h"
#include "platform/x11/x11_hotkey_endpoint.h"
#include "platform/x11/x11_key_injector.h"
#include "platform/x11/x11_session.h"
#include "support/spin.h"
#include "support/x11_listener.h"
#include "ui/qt/hotkey/capture_field.h"
#include "ui/qt/hotkey/zorvane.h"

namespace {

// Another X client, holding grabs of its own.
class OtherClient {
public:
    OtherClient() : c_(xcb_connect(nullptr, nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        keymap_.load(c_);
    }
    ~OtherClient() { xcb_disconnect(c_); }
    bool grab(x11::Keysym ks, std::uint16_t mods) {
        const auto cookie = xcb_grab_key_checked(c_, 1, root_, mods, keymap_.keycodeUnshifted(ks), XCB_GRAB_MODE_ASYNC,
                                                 XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t* err = xcb_request_check(c_, cookie);
        std::free(err);
        return err == nullptr;
    }
    void ungrab(x11::Keysym ks, std::uint16_t mods) {
        xcb_ungrab_key(c_, keymap_.keycodeUnshifted(ks), root_, mods);
        std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    }

private:
    xcb_connection_t* c_;
    xcb_window_t root_;
    x11::Keymap keymap_;
};

class X11Hotkey : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        injector = x11::X11KeyInjector::open(nullptr, &error);
        ASSERT_TRUE(injector) << error;
    }

    std::unique_ptr<platform::HotkeyEndpoint> endpoint(int* counter) {
        auto e = service.createEndpoint();
        if (e && counter) e->onPressed = [counter](bool) { ++*counter; };
        return e;
    }

    void tap(std::initializer_list<std::uint8_t> keys) {
        for (auto k : keys) injector->keyDown(k);
        for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) injector->keyUp(*it);
    }

    std::shared_ptr<x11::Session> session = x11::Session::open(nullptr, nullptr);
    x11::X11HotkeyService service{session};
    std::unique_ptr<x11::X11KeyInjector> injector;
};

}  // namespace

TEST_F(X11Hotkey, AChordHeldByAnotherClientIsRefusedAndNothingOfItIsKept) {
    OtherClient other;
    ASSERT_TRUE(other.grab(XK_q, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_2));  // only the NumLock variant
    auto e = endpoint(nullptr);
    EXPECT_FALSE(e->registerChord(mod::Mask::Control, 'Q'));

    // The variants granted before the refusal were given back.
    OtherClient third;
    EXPECT_TRUE(third.grab(XK_q, XCB_MOD_MASK_CONTROL));
    third.ungrab(XK_q, XCB_MOD_MASK_CONTROL);

    other.ungrab(XK_q, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_2);
    EXPECT_TRUE(e->registerChord(mod::Mask::Control, 'Q'));
}

// The server switches consoles on Ctrl+Alt+F1 and never passes the press on:
// such a chord is refused, with the reason, rather than ticked and dead.
TEST_F(X11Hotkey, AChordTheServerKeepsForItselfIsRefusedWithTheReason) {
    auto e = endpoint(nullptr);
    const mod::Mask ctrlAlt = mod::Mask::Control | mod::Mask::Alt;
    for (const mod::Mask mods : {ctrlAlt, ctrlAlt | mod::Mask::Win}) {
        const platform::Claim claim = e->registerChord(mods, vk::F1);
        EXPECT_EQ(claim.outcome(), platform::Claim::Refused) << mods.bits();
        EXPECT_NE(claim.why().find("X server keeps"), std::string::npos) << claim.why();
    }
    EXPECT_TRUE(e->registerChord(mod::Mask::Control | mod::Mask::Alt | mod::Mask::Shift, vk::F1))
        << "Shift picks another level of the key";
    EXPECT_TRUE(e->registerChord(mod::Mask::Control | mod::Mask::Alt, vk::Back))
        << "Backspace, with the server's end not turned on here";
}

TEST_F(X11Hotkey, TwoEndpointsOfOneProgramCannotHoldOneChord) {
    auto first = endpoint(nullptr);
    auto second = endpoint(nullptr);
    ASSERT_TRUE(first->registerChord(mod::Mask::Control | mod::Mask::Alt, 'A'));
    EXPECT_FALSE(second->registerChord(mod::Mask::Control | mod::Mask::Alt, 'A'));
    EXPECT_TRUE(second->registerChord(mod::Mask::Control | mod::Mask::Alt, 'B'));

    // Ending an endpoint releases its chord for anyone.
    first.reset();
    OtherClient other;
    EXPECT_TRUE(other.grab(XK_a, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
}

TEST_F(X11Hotkey, APressReachesItsOwnEndpointOnlyAlsoWithNumLockOn) {
    int a = 0, b = 0;
    auto ea = endpoint(&a);
    auto eb = endpoint(&b);
    ASSERT_TRUE(ea->registerChord(mod::Mask::Control | mod::Mask::Alt, 'A'));
    ASSERT_TRUE(eb->registerChord(mod::Mask::Control | mod::Mask::Alt, 'B'));

    tap({vk::Control, vk::Menu, 'A'});
    EXPECT_TRUE(spinUntil([&] { return a == 1; }));

    tap({vk::NumLock});  // NumLock on
    tap({vk::Control, vk::Menu, 'A'});
    EXPECT_TRUE(spinUntil([&] { return a == 2; }));
    tap({vk::Capital});  // and CapsLock
    tap({vk::Control, vk::Menu, 'A'});
    EXPECT_TRUE(spinUntil([&] { return a == 3; }));
    tap({vk::Capital});
    tap({vk::NumLock});
    spin(50);
    EXPECT_EQ(b, 0);
}

TEST_F(X11Hotkey, KeysInjectedWhileTheTriggerIsHeldReachTheFocusedWindow) {
    X11Listener listener;
    ASSERT_TRUE(listener.takeFocus());
    int fired = 0;
    auto e = endpoint(nullptr);
    e->onPressed = [&](bool) {
        ++fired;
        injector->keyDown('B');
        injector->keyUp('B');
    };
    ASSERT_TRUE(e->registerChord(mod::Mask::Control, vk::F8));

    injector->keyDown(vk::Control);
    injector->keyDown(vk::F8);
    ASSERT_TRUE(spinUntil([&] { return fired == 1; }));
    injector->keyUp(vk::F8);
    injector->keyUp(vk::Control);

    const auto& ev = listener.waitForEvents(4);
    bool sawB = false;
    for (const auto& k : ev) sawB = sawB || (k.press && k.keysym == XK_b);
    EXPECT_TRUE(sawB) << describe(ev);
}

// Presses as the endpoint hears them: n new, r the server's repeat.
TEST_F(X11Hotkey, TheServerTellsAHeldTriggersRepeatsFromQuickTaps) {
    std::string presses;
    auto e = service.createEndpoint();
    e->onPressed = [&](bool repeat) { presses += repeat ? 'r' : 'n'; };
    ASSERT_TRUE(e->registerChord(mod::Mask{}, vk::F8));  // F8 alone
    // Each key event reaches the server before the wait: its time there
    // keeps the gap, however late this process runs.
    const auto press = [&](int heldMs, int thenMs) {
        injector->keyDown(vk::F8);
        injector->settle();
        spin(heldMs);
        injector->keyUp(vk::F8);
        injector->settle();
        spin(thenMs);
    };
    press(10, 30);  // two taps 30 ms apart
    press(10, 50);
    EXPECT_EQ(presses, "nn");
    presses.clear();
    press(1200, 50);  // the server repeats a held key after about 660 ms
    EXPECT_GE(presses.size(), 3u);
    EXPECT_EQ(presses, "n" + std::string(presses.size() - 1, 'r'));
}

TEST_F(X11Hotkey, OwnKeysHeldBackByAFrozenKeyboardAreStillKnownAsOurs) {
    // Another client's grab freezes the keyboard while our keys are on their
    // way: their raw events come when it thaws, with a later sequence number.
    X11Listener listener;
    ASSERT_TRUE(listener.takeFocus());
    int fired = 0;
    auto e = endpoint(&fired);
    ASSERT_TRUE(e->registerChord(mod::Mask{}, 'L'));
    x11::X11KeyInjector own(session);

    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    auto grab = xcb_grab_keyboard_reply(
        other, xcb_grab_keyboard(other, 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_SYNC), nullptr);
    ASSERT_TRUE(grab && grab->status == XCB_GRAB_STATUS_SUCCESS);
    std::free(grab);

    own.keyDown('L');
    own.keyUp('L');
    own.keyDown('M');
    own.keyUp('M');
    session->sync();  // carried out, not yet let through
    xcb_ungrab_keyboard(other, XCB_CURRENT_TIME);
    std::free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));
    xcb_disconnect(other);

    spinUntil([&] { return listener.waitForEvents(4, 0).size() >= 4; });
    spin(50);
    const auto& ev = listener.events();
    std::string seen;
    for (const auto& k : ev) seen += std::string(k.press ? "P" : "R") + XKeysymToString(k.keysym) + " ";
    EXPECT_EQ(seen, "Pl Rl Pm Rm ") << describe(ev);
    EXPECT_EQ(fired, 0);
}

TEST(X11Capture, KeysTypedIntoTheFieldAreReadThroughTheServersKeymap) {
    std::string error;
    auto injector = x11::X11KeyInjector::open(nullptr, &error);
    ASSERT_TRUE(injector) << error;
    x11::X11HotkeyService service{x11::Session::open(nullptr, nullptr)};
    Zorvane z("Zorvane1", nullptr, true, {.hotkeys = &service});
    z.ReadProperties({{"INIFileName", "x11-capture-test.ini"}});
    z.resize(200, 24);
    z.show();
    z.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&z));
    z.txtHotKey()->setFocus();
    ASSERT_TRUE(spinUntil([&] { return z.txtHotKey()->hasFocus(); }));

    const std::pair<std::vector<std::uint8_t>, const char*> cases[] = {
        {{vk::Control, vk::Left}, "Ctrl + Left"},
        {{vk::Menu, vk::Shift, vk::Numpad4}, "Alt + Shift + Num 4"},
        {{vk::Add}, "Num +"},
        {{vk::LWin, 'Z'}, "Win + Z"},
        {{vk::Control, vk::OemSemicolon}, "Ctrl + ;"},
    };
    for (const auto& [keys, expected] : cases) {
        for (auto k : keys) injector->keyDown(k);
        EXPECT_TRUE(spinUntil([&] { return z.Text() == expected; })) << expected << " != " << z.Text().toStdString();
        for (auto it = keys.rbegin(); it != keys.rend(); ++it) injector->keyUp(*it);
        spin(30);
    }
}
