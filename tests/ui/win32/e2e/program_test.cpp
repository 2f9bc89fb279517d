// The built Windows program in a folder of its own, on a virtual desktop with
// a window manager and a tray host, used as a person would.

#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/settings/wide_text_win32.h"
#include "core/view/texts.h"
#include "e2e/desktop.h"
#include "support/balloon.h"
#include "support/file_bytes.h"
#include "support/listener_process.h"
#include "support/pump.h"
#include "support/unix_command.h"

using namespace e2e;
using wintest::Xdotool;

namespace {

constexpr int rowTop(int n) { return 64 + 32 * (n - 1); }
constexpr UINT kExitCommand = 1003;  // the tray menu's 退出

std::wstring folderFor(const wchar_t* name) {
    return wintest::ChildProcess::besideThisProgram(std::wstring(L"e2e-") + name + L"-" +
                                                    std::to_wstring(GetCurrentProcessId()));
}

// The chord Ctrl+Alt+A, typed on the X keyboard.
bool typeTrigger() {
    return Xdotool(
        L"keydown ctrl sleep 0.03 keydown alt sleep 0.03 keydown a sleep 0.05 keyup a sleep 0.02 "
        L"keyup alt sleep 0.02 keyup ctrl");
}

// A listener of another process, focused by the window manager as a click would.
bool listenerSawCtrlZ(wintest::ListenerProcess& listener) {
    const auto log = listener.finish();
    return std::any_of(log.begin(), log.end(), [](const wintest::KeyMessage& m) {
        return m.kind == 'D' && m.code == 'Z' && m.mods == mod::Mask::Control;
    });
}

// The main window's minimise picture hides it to the tray.
bool hideToTray(HWND main) {
    return ClickAt(main, 264 + 20, 8) && WaitUntil([&] { return !IsWindowVisible(main); });
}

bool focusListener(wintest::ListenerProcess& listener) {
    return listener.ready() && Xdotool(L"search --sync --name '^Zorvane key listener$' windowfocus --sync", 10000);
}

}  // namespace

TEST(ProgramEndToEnd, EditTickTriggerHideTrayAndExit) {
    const std::wstring folder = folderFor(L"flow");
    {
        Program program(folder);
        ASSERT_TRUE(program.start());
        HWND main = program.waitForMainWindow();
        ASSERT_TRUE(main) << "no main window";
        wintest::PumpFor(500);
        ASSERT_TRUE(Screenshot("main-window.png"));
        // The colours as drawn: strip, header, trigger field, close image, frame.
        RECT r;
        GetWindowRect(main, &r);
        EXPECT_EQ(PixelAt("main-window.png", r.left + 240, r.top + 5), "0,153,102");
        EXPECT_EQ(PixelAt("main-window.png", r.left + 10, r.top + 40), "224,224,224");
        EXPECT_EQ(PixelAt("main-window.png", r.left + 285, r.top + rowTop(10) + 2), "255,224,192");
        EXPECT_EQ(PixelAt("main-window.png", r.left + 322, r.top + 2), "212,48,48");
        EXPECT_EQ(PixelAt("main-window.png", r.left, r.top + 200), "0,153,102");

        // The editor: Ctrl and Z for slot 1.
        ASSERT_TRUE(ClickAt(main, 16 + 60, rowTop(1) + 10));
        HWND editor = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (editor = VisibleWindow(kEditorClass)) != nullptr; }));
        EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }));
        ASSERT_TRUE(ClickAt(editor, 24 + 50, 48 + 12));
        ASSERT_TRUE(Xdotool(L"sleep 0.3 key Escape sleep 0.2 key Down Down Down"));
        ASSERT_TRUE(ClickAt(editor, 160 + 50, 48 + 12));
        ASSERT_TRUE(Xdotool(L"sleep 0.3 key Escape sleep 0.2 key z"));
        wintest::PumpFor(300);
        ASSERT_TRUE(Screenshot("editor.png"));
        ASSERT_TRUE(ClickAt(editor, 24 + 200, 96 + 20));
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) && !IsWindowVisible(editor); }));
        EXPECT_EQ(program.ini("conftext", "0"), "Ctrl + Z");
        EXPECT_EQ(program.ini("conftooltip", "0"), "2|17|90");

        // The trigger typed into slot 1's field, then ticked.
        ASSERT_TRUE(ClickAt(main, 161 + 60, rowTop(1) + 10));
        ASSERT_TRUE(typeTrigger());
        HWND trigger = GetDlgItem(main, 120);
        ASSERT_TRUE(WaitUntil([&] { return TextOf(trigger) == L"Ctrl + Alt + A"; }))
            << "shows: " << TextOf(trigger).size();
        ASSERT_TRUE(ClickAt(main, 304 + 8, rowTop(1) + 10));
        HWND box = GetDlgItem(main, 140);
        ASSERT_TRUE(WaitUntil([&] { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }));

        // Pressed in another program's window, the trigger types the target there.
        {
            wintest::ListenerProcess listener;
            ASSERT_TRUE(focusListener(listener));
            ASSERT_TRUE(typeTrigger());
            EXPECT_TRUE(listenerSawCtrlZ(listener));
        }

        // Hidden, the trigger goes on working; the tray icon brings the window back.
        ASSERT_TRUE(hideToTray(main));
        {
            wintest::ListenerProcess listener;
            ASSERT_TRUE(focusListener(listener));
            ASSERT_TRUE(typeTrigger());
            EXPECT_TRUE(listenerSawCtrlZ(listener)) << "hidden";
        }
        const auto icon = TrayIcon();
        ASSERT_TRUE(icon) << "no tray icon";
        const auto at = TrayIconClickPoint(*icon);
        ASSERT_TRUE(at) << "no point of the tray icon reaches it; the icon is at " << icon->left << "," << icon->top
                        << "-" << icon->right << "," << icon->bottom << " for X and for Wine:\n"
                        << TrayIconAncestry();
        ASSERT_TRUE(ClickAt(nullptr, at->x, at->y));
        EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }))
            << "a left click on the tray icon did not bring the window back";

        // Exit through the tray menu: 显示, 关于, 退出.
        HWND menu = nullptr;
        ASSERT_TRUE(ClickAt(nullptr, at->x, at->y, 3));
        ASSERT_TRUE(WaitUntil([&] { return (menu = VisibleWindow(L"#32768")) != nullptr; }));
        wintest::PumpFor(300);
        ASSERT_TRUE(Screenshot("tray-menu.png"));
        RECT m;
        GetWindowRect(menu, &m);
        const int itemHeight = (m.bottom - m.top) / 3;
        ASSERT_TRUE(ClickAt(nullptr, (m.left + m.right) / 2, m.bottom - itemHeight / 2));
        ASSERT_TRUE(program.waitForExit()) << "the program did not end";
        EXPECT_EQ(program.exitCode(), 0u);
        EXPECT_EQ(program.ini("Zorvane", "Zorvane1Text"), "Ctrl + Alt + A");
        EXPECT_EQ(program.ini("Zorvane", "Zorvane1KeyCode"), "65");
        EXPECT_EQ(program.ini("Zorvane", "Zorvane1ModKeyCode"), "3");
        EXPECT_EQ(program.ini("Zorvane", "Zorvane10Text"), "按下热键");
    }
    {
        // Started again: chord and target are back, and every box is clear.
        Program program(folder);
        ASSERT_TRUE(program.start());
        HWND main = program.waitForMainWindow();
        ASSERT_TRUE(main);
        EXPECT_EQ(TextOf(GetDlgItem(main, 120)), L"Ctrl + Alt + A");
        EXPECT_EQ(TextOf(GetDlgItem(main, 100)), L"Ctrl + Z");
        EXPECT_EQ(SendMessageW(GetDlgItem(main, 140), BM_GETCHECK, 0, 0), BST_UNCHECKED);
        PostMessageW(main, WM_COMMAND, kExitCommand, 0);
        EXPECT_TRUE(program.waitForExit());
    }
}

// The tray menu, dismissed while the window is hidden, leaves the keyboard
// with the window that had it: the next keys reach that window, and none
// lands in a trigger field of the hidden one (which would replace its chord).
// Dismissed with Esc, then by a click elsewhere. The Esc is sent as Windows
// input, which goes to the window in front: the X keyboard focus, which
// xdotool types into, never leaves the other window under Wine.
TEST(ProgramEndToEnd, TheTrayMenuDismissedLeavesTheKeyboardWhereItWas) {
    Program program(folderFor(L"tray-esc"));
    ASSERT_TRUE(program.start());
    HWND main = program.waitForMainWindow();
    ASSERT_TRUE(main) << "no main window";
    ASSERT_TRUE(hideToTray(main));
    const auto icon = TrayIcon();
    ASSERT_TRUE(icon) << "no tray icon";
    const auto at = TrayIconClickPoint(*icon);
    ASSERT_TRUE(at) << TrayIconAncestry();

    const std::function<bool()> dismissals[] = {
        [] {
            INPUT esc[2]{};
            esc[0].type = esc[1].type = INPUT_KEYBOARD;
            esc[0].ki.wVk = esc[1].ki.wVk = VK_ESCAPE;
            esc[1].ki.dwFlags = KEYEVENTF_KEYUP;
            return SendInput(2, esc, sizeof(INPUT)) == 2;
        },
        [] { return Xdotool(L"sleep 0.2 search --name '^Zorvane key listener$' mousemove --window %1 40 40 click 1"); },
    };
    for (const auto& dismiss : dismissals) {
        SCOPED_TRACE(&dismiss == &dismissals[0] ? "Esc" : "a click elsewhere");
        wintest::ListenerProcess listener;
        ASSERT_TRUE(focusListener(listener));
        ASSERT_TRUE(ClickAt(nullptr, at->x, at->y, 3));
        ASSERT_TRUE(WaitUntil([&] { return VisibleWindow(L"#32768") != nullptr; })) << "no tray menu";
        ASSERT_TRUE(dismiss());
        ASSERT_TRUE(WaitUntil([&] { return VisibleWindow(L"#32768") == nullptr; })) << "the menu stayed open";
        ASSERT_TRUE(Xdotool(L"sleep 0.3 key q"));
        wintest::PumpFor(300);
        const auto log = listener.finish();
        EXPECT_TRUE(std::any_of(log.begin(), log.end(),
                                [](const wintest::KeyMessage& m) { return m.kind == 'D' && m.code == 'Q'; }))
            << "the key did not reach the window that had the keyboard:\n"
            << wintest::Describe(log);
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(TextOf(GetDlgItem(main, 120 + i)), L"按下热键") << "slot " << i + 1 << "'s chord was typed over";
        EXPECT_FALSE(IsWindowVisible(main));
    }
    PostMessageW(main, WM_COMMAND, kExitCommand, 0);
    EXPECT_TRUE(program.waitForExit());
}

// A save that fails as the session ends is told in a balloon by the tray
// icon and written to the log beside set.ini; no message box holds the end up.
TEST(ProgramEndToEnd, ASaveThatFailsAsTheSessionEndsIsNoticedAndLogged) {
    Program program(folderFor(L"notice"));
    ASSERT_TRUE(program.start());
    HWND main = program.waitForMainWindow();
    ASSERT_TRUE(main) << "no main window";
    ASSERT_TRUE(TrayIcon()) << "no tray icon";
    // set.ini becomes a folder: nothing can be written in its place.
    const std::wstring ini = program.folder() + L"\\set.ini";
    DeleteFileW(ini.c_str());
    ASSERT_TRUE(CreateDirectoryW(ini.c_str(), nullptr));
    struct Removed {
        std::wstring path;
        ~Removed() { RemoveDirectoryW(path.c_str()); }
    } removed{ini};

    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &answer));
    ASSERT_TRUE(SendMessageTimeoutW(main, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, &answer))
        << "the session's end waited on the program";
    const std::wstring notice = widetext::widen(texts::NoticeText(diag::Cause::SaveFailed));
    std::optional<std::wstring> shown;
    EXPECT_TRUE(WaitUntil([&] { return (shown = wintest::BalloonText()) == notice; }, 10000))
        << "balloon: " << widetext::narrow(shown.value_or(L"<none>"));
    Screenshot("notice.png");
    const std::string log = wintest::ReadBytes(program.folder() + L"\\zorvane-change-hotkey.log");
    EXPECT_NE(log.find("the settings could not be saved: "), std::string::npos) << log;

    RemoveDirectoryW(ini.c_str());
    PostMessageW(main, WM_COMMAND, kExitCommand, 0);
    EXPECT_TRUE(program.waitForExit());
}

TEST(ProgramEndToEnd, ASecondStartBringsTheFirstCopyForward) {
    Program first(folderFor(L"first"));
    ASSERT_TRUE(first.start());
    HWND main = first.waitForMainWindow();
    ASSERT_TRUE(main);
    ASSERT_TRUE(hideToTray(main));

    Program second(folderFor(L"second"));
    ASSERT_TRUE(second.start());
    ASSERT_TRUE(second.waitForExit()) << "the second copy keeps running";
    EXPECT_EQ(second.exitCode(), 0u);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) && GetForegroundWindow() == main; }))
        << "the first copy's window is not in front";
    PostMessageW(main, WM_COMMAND, kExitCommand, 0);
    EXPECT_TRUE(first.waitForExit());
}

TEST(ProgramEndToEnd, DraggingTheTitleStripMovesTheWindow) {
    Program program(folderFor(L"drag"));
    ASSERT_TRUE(program.start());
    HWND main = program.waitForMainWindow();
    ASSERT_TRUE(main);
    // Under a window manager the chain needs its pauses.
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == main; }));
    auto drag = [](POINT from, int dx, int dy) {
        return Xdotool(L"mousemove " + std::to_wstring(from.x) + L" " + std::to_wstring(from.y) +
                       L" sleep 0.1 mousedown 1 sleep 0.1 mousemove " + std::to_wstring(from.x + dx) + L" " +
                       std::to_wstring(from.y + dy) + L" sleep 0.1 mouseup 1 sleep 0.2");
    };
    RECT before, after;
    GetWindowRect(main, &before);
    // By the bare strip, then by the title on it.
    ASSERT_TRUE(drag({before.left + 240, before.top + 10}, -60, 40));
    ASSERT_TRUE(WaitUntil([&] {
        GetWindowRect(main, &after);
        return after.left == before.left - 60 && after.top == before.top + 40;
    })) << "moved to "
        << after.left << "," << after.top << " from " << before.left << "," << before.top;
    before = after;
    ASSERT_TRUE(drag({before.left + 40, before.top + 12}, 30, 50));
    EXPECT_TRUE(WaitUntil([&] {
        GetWindowRect(main, &after);
        return after.left == before.left + 30 && after.top == before.top + 50;
    })) << "the title moves the window too";
    PostMessageW(main, WM_COMMAND, kExitCommand, 0);
    EXPECT_TRUE(program.waitForExit());
}

TEST(ProgramEndToEnd, StartUpTime) {
    // From the process's start to its main window shown, a few starts.
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        Program program(folderFor(L"start"));
        const double begin = wintest::NowMs();
        ASSERT_TRUE(program.start());
        HWND main = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (main = VisibleWindow(kMainClass)) != nullptr; }, 10000));
        times.push_back(wintest::NowMs() - begin);
        PostMessageW(main, WM_COMMAND, kExitCommand, 0);
        ASSERT_TRUE(program.waitForExit());
        ASSERT_TRUE(WaitUntil([] { return FindWindowW(kMainClass, nullptr) == nullptr; }));
    }
    std::sort(times.begin(), times.end());
    std::printf("start to the main window shown (5 starts): min %.0f ms, median %.0f ms, max %.0f ms\n", times.front(),
                times[times.size() / 2], times.back());
    EXPECT_LT(times[times.size() / 2], 5000);
}
