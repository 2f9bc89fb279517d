// The built program in a folder of its own, on a virtual desktop with a window
// manager and a tray host, used as a person would.

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#define XK_LATIN1
#include <X11/keysymdef.h>

#include "e2e/program.h"
#include "support/desktop.h"
#include "support/x11_listener.h"

using namespace desktop;

namespace {

const QString kMain = QString::fromUtf8("设置");
const QString kEditor = QString::fromUtf8("编辑");
const QString kShots = ZORVANE_SCREENSHOTS;

constexpr int rowTop(int n) { return 64 + 32 * (n - 1); }

// The notification-area icon: the program's small embedded window in the tray host.
std::optional<QString> trayIcon() {
    std::optional<QString> icon;
    waitUntil([&] {
        const auto ids = run("xdotool", {"search", "--classname", "zorvane-change-hotkey"});
        if (!ids) return false;
        for (const QString& id : ids->split('\n')) {
            const auto geometry = run("xdotool", {"getwindowgeometry", id});
            if (run("xdotool", {"getwindowname", id}) == "Zorvane Change Hotkey" && geometry &&
                !geometry->contains("Geometry: 1x1")) {
                icon = id;
                return true;
            }
        }
        return false;
    });
    return icon;
}

// The main window's minimise picture hides it to the tray.
bool hideToTray(const QString& main) {
    clickAt(main, 280, 8);
    return waitUntil([] { return !isVisible(kMain); });
}

bool listenerSaw(X11Listener& listener, x11::Keysym keysym, std::uint16_t mods) {
    const auto& events = listener.waitForEvents(100, 1500);
    for (const auto& e : events)
        if (e.press && e.keysym == keysym && (e.state & mods) == mods) return true;
    return false;
}

}  // namespace

TEST(ProgramEndToEnd, SetATargetUseItHideRestoreExitAndStartAgain) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    {
        Program program(folder.path());
        const auto main = waitForWindow(kMain);
        ASSERT_TRUE(main) << "the main window did not appear";
        screenshot(kShots + "/main-window.png");

        // The trigger of slot 1: Ctrl+Alt+A, typed into its field.
        clickAt(*main, 220, rowTop(1) + 10);
        keys({"ctrl+alt+a"});

        // Its target through the editor: Ctrl, Z.
        clickAt(*main, 80, rowTop(1) + 10);
        const auto editor = waitForWindow(kEditor);
        ASSERT_TRUE(editor) << "the editor did not open";
        EXPECT_FALSE(isVisible(kMain));
        clickAt(*editor, 80, 60);
        keys({"Escape"});
        type("c");
        clickAt(*editor, 220, 60);
        keys({"Escape"});
        type("z");
        screenshot(kShots + "/editor.png");
        clickAt(*editor, 220, 116);  // 添加
        ASSERT_TRUE(waitForWindow(kMain));
        EXPECT_EQ(program.ini("conftext", "0"), "Ctrl + Z");
        EXPECT_EQ(program.ini("conftooltip", "0"), "2|17|90");

        // Live: the trigger pressed in another window types Ctrl+Z there.
        clickAt(*main, 310, rowTop(1) + 10);
        X11Listener listener;
        ASSERT_TRUE(listener.takeFocus());
        keys({"ctrl+alt+a"});
        EXPECT_TRUE(listenerSaw(listener, XK_z, XCB_MOD_MASK_CONTROL)) << describe(listener.events());

        // Typed into slot 2's field, the live trigger is that field's chord, not Ctrl+Z played into it.
        clickAt(*main, 220, rowTop(2) + 10);
        keys({"ctrl+alt+a"});
        EXPECT_TRUE(waitUntil([&] { return program.ini("Zorvane", "Zorvane2KeyCode") == "65"; }))
            << program.ini("Zorvane", "Zorvane2Text");
        EXPECT_EQ(program.ini("Zorvane", "Zorvane2ModKeyCode"), "3");
        screenshot(kShots + "/trigger-typed-into-a-field.png");

        // Hidden, the trigger goes on working; the tray icon brings the window back.
        ASSERT_TRUE(hideToTray(*main));
        listener.clear();
        ASSERT_TRUE(listener.takeFocus());
        keys({"ctrl+alt+a"});
        EXPECT_TRUE(listenerSaw(listener, XK_z, XCB_MOD_MASK_CONTROL)) << describe(listener.events());
        const auto icon = trayIcon();
        ASSERT_TRUE(icon) << "no tray icon";
        clickAt(*icon, 11, 15);
        EXPECT_TRUE(waitForWindow(kMain));

        // Exit through the tray menu: 显示, 关于, 退出.
        clickAt(*icon, 11, 15, 3);
        QThread::msleep(300);
        screenshot(kShots + "/tray-menu.png");
        keys({"Up", "Return"});
        ASSERT_TRUE(program.waitForExit()) << "the program did not end";
        EXPECT_EQ(program.ini("Zorvane", "Zorvane1Text"), "Ctrl + Alt + A");
        EXPECT_EQ(program.ini("Zorvane", "Zorvane1KeyCode"), "65");
        EXPECT_EQ(program.ini("Zorvane", "Zorvane1ModKeyCode"), "3");
        EXPECT_EQ(program.ini("Zorvane", "Zorvane10Text"), "按下热键");
    }
    {
        // Started again: chord and target are back, and every box is clear.
        Program program(folder.path());
        const auto main = waitForWindow(kMain);
        ASSERT_TRUE(main);
        X11Listener listener;
        ASSERT_TRUE(listener.takeFocus());
        keys({"ctrl+alt+a"});
        EXPECT_FALSE(listenerSaw(listener, XK_z, 0)) << "no trigger is live after a start";
        clickAt(*main, 310, rowTop(1) + 10);
        listener.clear();
        ASSERT_TRUE(listener.takeFocus());
        keys({"ctrl+alt+a"});
        EXPECT_TRUE(listenerSaw(listener, XK_z, XCB_MOD_MASK_CONTROL)) << describe(listener.events());
    }
}

// The tray menu, dismissed with Esc while the window is hidden, leaves the
// keyboard with the window that had it: the next keys reach that window, and
// none lands in a trigger field of the hidden one (which would replace its
// chord).
TEST(ProgramEndToEnd, TheTrayMenuDismissedWithEscLeavesTheKeyboardWhereItWas) {
    QTemporaryDir folder;
    Program program(folder.path());
    const auto main = waitForWindow(kMain);
    ASSERT_TRUE(main);
    ASSERT_TRUE(hideToTray(*main));
    X11Listener listener;
    ASSERT_TRUE(listener.takeFocus());
    const auto icon = trayIcon();
    ASSERT_TRUE(icon) << "no tray icon";

    clickAt(*icon, 11, 15, 3);
    QThread::msleep(300);
    keys({"Escape"});
    QThread::msleep(300);
    type("q");
    EXPECT_TRUE(listenerSaw(listener, XK_q, 0)) << describe(listener.events());
    EXPECT_FALSE(isVisible(kMain));

    // Exit through the tray menu saves every chord: none was typed over.
    clickAt(*icon, 11, 15, 3);
    QThread::msleep(300);
    keys({"Up", "Return"});
    ASSERT_TRUE(program.waitForExit()) << "the program did not end";
    for (int n = 1; n <= 10; ++n) {
        const std::string key = "Zorvane" + std::to_string(n);
        EXPECT_EQ(program.ini("Zorvane", (key + "Text").c_str()), "按下热键") << n;
        EXPECT_EQ(program.ini("Zorvane", (key + "KeyCode").c_str()), "0") << n;
    }
}

// A chord whose key leaves the keyboard layout is turned off, and the user is
// told beside the tray even with the window hidden; the log says why.
TEST(ProgramEndToEnd, AChordWhoseKeyLeavesTheLayoutIsNoticedAndLogged) {
    QTemporaryDir folder;
    Program program(folder.path());
    const auto main = waitForWindow(kMain);
    ASSERT_TRUE(main);
    clickAt(*main, 220, rowTop(1) + 10);
    keys({"ctrl+alt+q"});
    clickAt(*main, 310, rowTop(1) + 10);
    ASSERT_TRUE(hideToTray(*main));
    ASSERT_TRUE(trayIcon()) << "no tray icon";
    // The notice: a tooltip-type window of the program's own, beside the tray.
    auto noticeShown = [] {
        const auto ids = run("xdotool", {"search", "--onlyvisible", "--classname", "zorvane-change-hotkey"});
        for (const QString& id : ids ? ids->split('\n') : QStringList())
            if (run("xprop", {"-id", id, "_NET_WM_WINDOW_TYPE"}).value_or("").contains("_NET_WM_WINDOW_TYPE_TOOLTIP"))
                return true;
        return false;
    };
    ASSERT_FALSE(noticeShown());

    // Q leaves the layout.
    ASSERT_TRUE(run("xmodmap", {"-e", "keysym q = "}));
    EXPECT_TRUE(waitUntil(noticeShown)) << "no notice beside the tray";
    screenshot(kShots + "/notice.png");
    const QString log = QString::fromUtf8(contents(folder.path() + "/zorvane-change-hotkey.log"));
    EXPECT_TRUE(
        log.contains("a chord was turned off, its key gone: after a keyboard layout change, the key is not on the "
                     "keyboard layout"))
        << log.toStdString();
}

TEST(ProgramEndToEnd, ASecondStartBringsTheFirstCopyForward) {
    QTemporaryDir folder;
    Program first(folder.path());
    const auto main = waitForWindow(kMain);
    ASSERT_TRUE(main);
    ASSERT_TRUE(hideToTray(*main));

    Program second(folder.path());
    ASSERT_TRUE(second.waitForExit()) << "the second copy kept running";
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(waitForWindow(kMain)) << "the first copy's window did not come back";
}

TEST(ProgramEndToEnd, AskedToEndFromOutsideItKeepsTheChords) {
    QTemporaryDir folder;
    Program program(folder.path());
    const auto main = waitForWindow(kMain);
    ASSERT_TRUE(main);
    clickAt(*main, 220, rowTop(3) + 10);
    keys({"super+F7"});
    const auto pid = run("pgrep", {"-f", folder.path() + "/zorvane-change-hotkey"});
    ASSERT_TRUE(pid);
    run("kill", {"-TERM", *pid});
    ASSERT_TRUE(program.waitForExit());
    EXPECT_EQ(program.ini("Zorvane", "Zorvane3Text"), "Win + F7");
    EXPECT_EQ(program.ini("Zorvane", "Zorvane3ModKeyCode"), "8");
}

TEST(ProgramEndToEnd, TheTitleStripMovesTheWindowWhileTheButtonIsHeld) {
    QTemporaryDir folder;
    Program program(folder.path());
    const auto main = waitForWindow(kMain);
    ASSERT_TRUE(main);
    auto position = [&] {
        const auto g = run("xdotool", {"getwindowgeometry", *main});
        return g ? g->section('\n', 1, 1).section(':', 1).section('(', 0, 0).trimmed() : QString();
    };
    const QString start = position();
    run("xdotool", {"mousemove", "--window", *main, "240", "12"});
    QThread::msleep(100);
    run("xdotool", {"mousemove_relative", "--", "30", "30"});  // no button held: stays
    QThread::msleep(200);
    EXPECT_EQ(position(), start);

    for (const char* x : {"240", "100"}) {  // the bare strip, then the title
        run("xdotool", {"mousemove", "--window", *main, x, "12"});
        run("xdotool", {"mousedown", "1"});
        for (int i = 0; i < 5; ++i) {
            QThread::msleep(50);
            run("xdotool", {"mousemove_relative", "--", "10", "8"});
        }
        run("xdotool", {"mouseup", "1"});
        QThread::msleep(300);
    }
    const QStringList a = start.split(','), b = position().split(',');
    ASSERT_EQ(a.size(), 2);
    ASSERT_EQ(b.size(), 2);
    EXPECT_EQ(b[0].toInt() - a[0].toInt(), 100);
    EXPECT_EQ(b[1].toInt() - a[1].toInt(), 80);
}
