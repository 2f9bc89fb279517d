// The main window's flows on the real backend: ticking a box, the editor,
// the tray's notifications and menu, dragging, leaving the program.

#include "app_fixture.h"

#include <commctrl.h>
#include "core/services/hotkey_endpoint.h"
#include "support/pump.h"
#include "ui/win32/app/single_instance.h"
#include "ui/win32/shell/tray.h"

using wintest::PumpFor;
using wintest::PumpUntil;

namespace {

constexpr const char* kNotSet = "error: Not set hotkey";
constexpr const char* kTaken = "error: Hotkey already exists, please change a hotkey.";

}  // namespace

TEST_F(Win32AppTest, TickingMakesTheChordLiveOrSaysWhyNot) {
    auto& w = start();
    clickBox(1);
    EXPECT_EQ(messages, std::vector<std::string>{kNotSet});
    EXPECT_FALSE(checked(1));

    // Taken by someone else once typed: refused, and the chord is gone.
    focus(w.ZorvaneN(2).hwnd());
    type({VK_CONTROL, VK_MENU, VK_F7});
    ASSERT_TRUE(RegisterHotKey(nullptr, 7, MOD_CONTROL | MOD_ALT, VK_F7));
    messages.clear();
    clickBox(2);
    UnregisterHotKey(nullptr, 7);
    EXPECT_EQ(messages, std::vector<std::string>{kTaken});
    EXPECT_FALSE(checked(2));
    EXPECT_EQ(text(w.ZorvaneN(2).hwnd()), L"按下热键");
    EXPECT_EQ(w.ZorvaneN(2).logic().capture().keyCode(), 0);

    // Free: live, and no one else can have it until the box is cleared.
    focus(w.ZorvaneN(3).hwnd());
    type({VK_CONTROL, VK_MENU, VK_F7});
    messages.clear();
    clickBox(3);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(checked(3));
    EXPECT_TRUE(w.ZorvaneN(3).logic().hotKeyEnabled());
    EXPECT_FALSE(RegisterHotKey(nullptr, 7, MOD_CONTROL | MOD_ALT, VK_F7));
    // Typed into another slot's field, the live chord is that field's, and is taken.
    focus(w.ZorvaneN(4).hwnd());
    type({VK_CONTROL, VK_MENU, VK_F7});
    EXPECT_EQ(text(w.ZorvaneN(4).hwnd()), L"Ctrl + Alt + F7");
    messages.clear();
    clickBox(4);
    EXPECT_EQ(messages, std::vector<std::string>{kTaken});
    clickBox(3);
    EXPECT_FALSE(checked(3));
    EXPECT_TRUE(RegisterHotKey(nullptr, 7, MOD_CONTROL | MOD_ALT, VK_F7)) << "let go of when the box is cleared";
    UnregisterHotKey(nullptr, 7);

    // Retyping a live chord turns it off, and the box says so.
    clickBox(3);
    ASSERT_TRUE(checked(3));
    focus(w.ZorvaneN(3).hwnd());
    type({VK_CONTROL, VK_MENU, VK_F8});
    EXPECT_FALSE(checked(3));
    EXPECT_FALSE(w.ZorvaneN(3).logic().hotKeyEnabled());
    EXPECT_TRUE(RegisterHotKey(nullptr, 7, MOD_CONTROL | MOD_ALT, VK_F7));
    UnregisterHotKey(nullptr, 7);
}

TEST_F(Win32AppTest, WithoutHotkeysTickingSaysWhyAndKeepsTheChord) {
    auto& w = start(false);
    focus(w.ZorvaneN(1).hwnd());
    type({VK_CONTROL, 'J'});
    clickBox(1);
    EXPECT_EQ(messages, std::vector<std::string>{"error: No hotkeys in this test."});
    EXPECT_FALSE(checked(1));
    EXPECT_EQ(text(w.ZorvaneN(1).hwnd()), L"Ctrl + J");
}

TEST_F(Win32AppTest, TheEditorWritesTheSlotsTarget) {
    auto& w = start();
    click(w.Text1(3));
    ASSERT_TRUE(PumpUntil([&] { return w.editor() && IsWindowVisible(w.editor()->hwnd()); }, 2000));
    EXPECT_FALSE(IsWindowVisible(w.hwnd())) << "the main window hides while the editor is open";
    EXPECT_EQ(w.editor()->slot(), 3);

    pick(0, L"Ctrl");
    pick(1, L"");
    pick(2, L"C");
    click(w.editor()->Label1());
    EXPECT_FALSE(IsWindowVisible(w.editor()->hwnd()));
    EXPECT_TRUE(IsWindowVisible(w.hwnd()));
    EXPECT_EQ(text(w.Text1(3)), L"Ctrl + C");
    EXPECT_EQ(w.Text1Tip(3), L"2|17|67");
    EXPECT_EQ(ini("conftext", "3"), "Ctrl + C");
    EXPECT_EQ(ini("conftooltip", "3"), "2|17|67");

    // 添加 keeps the picks: the next slot gets the same at once.
    click(w.Text1(5));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(w.editor()->hwnd()); }, 2000));
    click(w.editor()->Label1());
    EXPECT_EQ(ini("conftooltip", "5"), "2|17|67");

    // The close image forgets them: blank pickers, and 添加 then writes nothing.
    click(w.Text1(6));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(w.editor()->hwnd()); }, 2000));
    click(w.editor()->Image3());
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(w.editor()->hwnd()); }, 2000)) << "a close hides the editor";
    for (int k = 0; k < 3; ++k) EXPECT_EQ(SendMessageW(w.editor()->picker(k), CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_TRUE(IsWindowVisible(w.hwnd()));
    click(w.Text1(6));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(w.editor()->hwnd()); }, 2000));
    for (int k = 0; k < 3; ++k) EXPECT_EQ(SendMessageW(w.editor()->picker(k), CB_GETCURSEL, 0, 0), CB_ERR);
    click(w.editor()->Label1());
    EXPECT_EQ(ini("conftooltip", "6"), "<missing>");
    EXPECT_EQ(text(w.Text1(3)), L"Ctrl + C") << "other slots keep theirs";
}

TEST_F(Win32AppTest, TheLinkUnderlinesUnderThePointerAndOpensItsPage) {
    auto& w = start();
    win32app::edit* e = w.editor();
    auto pointerOver = [e](HWND under) {
        SendMessageW(e->hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    };
    pointerOver(e->pelmaran());
    EXPECT_TRUE(e->linkUnderlined());
    LOGFONTW lf{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(e->pelmaran(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
    EXPECT_TRUE(lf.lfUnderline);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
    pointerOver(e->picker(1));
    EXPECT_TRUE(e->linkUnderlined()) << "straight onto another control: still underlined";
    pointerOver(e->hwnd());
    EXPECT_FALSE(e->linkUnderlined()) << "the bare body takes it away";

    SendMessageW(e->hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(e->pelmaran()), STN_CLICKED),
                 reinterpret_cast<LPARAM>(e->pelmaran()));
    EXPECT_EQ(pages, std::vector<std::wstring>{L"https://www.pelmaran.com/hotkey.html"});
}

TEST_F(Win32AppTest, ExitAndTheSessionsEndKeepEveryChord) {
    auto& w = start();
    focus(w.ZorvaneN(10).hwnd());
    type({VK_MENU, 'Q'});
    SendMessageW(w.hwnd(), WM_QUERYENDSESSION, 0, 0);
    SendMessageW(w.hwnd(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(ini("Zorvane", "Zorvane10Text"), "Alt + Q");
    EXPECT_EQ(ini("Zorvane", "Zorvane10KeyCode"), "81");
    EXPECT_EQ(ini("Zorvane", "Zorvane10ModKeyCode"), "1");
    EXPECT_FALSE(exited) << "the system ends the program";

    focus(w.ZorvaneN(1).hwnd());
    type({VK_CONTROL, VK_MENU, 'A'});
    click(w.Image3());
    EXPECT_TRUE(exited);
    EXPECT_EQ(w.hwnd(), nullptr) << "the window is gone";
    EXPECT_EQ(ini("Zorvane", "Zorvane1Text"), "Ctrl + Alt + A");
    EXPECT_EQ(ini("Zorvane", "Zorvane1KeyCode"), "65");
    EXPECT_EQ(ini("Zorvane", "Zorvane1ModKeyCode"), "3");
    EXPECT_EQ(ini("Zorvane", "Zorvane5Text"), "按下热键");
    EXPECT_EQ(ini("Zorvane", "Zorvane5KeyCode"), "0");
    EXPECT_TRUE(messages.empty());

    // Started again: the chords are back, every box clear.
    window.reset();
    auto& again = start();
    EXPECT_EQ(text(again.ZorvaneN(1).hwnd()), L"Ctrl + Alt + A");
    EXPECT_EQ(again.ZorvaneN(10).logic().capture().modKeyCode(), mod::Mask::Alt);
    EXPECT_FALSE(checked(1));
}

TEST_F(Win32AppTest, AFailedSaveIsReportedOnce) {
    // A folder where set.ini should be: nothing can be written there.
    ASSERT_TRUE(CreateDirectoryW(iniPath.c_str(), nullptr));
    auto& w = start();
    w.SaveAllChords();
    RemoveDirectoryW(iniPath.c_str());
    // That it cannot be read, once the window is up; then the save's failure, once.
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].rfind("设置无法读取", 0), 0u) << messages[0];
    EXPECT_EQ(messages[1].rfind("设置无法保存: 设置无法保存。", 0), 0u) << messages[1];
}

// A shell not ready at logon: tries at adding the icon come soon at first,
// then no more often than every 30 s, however long it takes.
TEST(TrayRetry, TheWaitDoublesFromHalfASecondUpToThirtySeconds) {
    const std::pair<int, UINT> rows[] = {{1, 500}, {2, 1000}, {6, 16000}, {7, 30000}, {1000, 30000}};
    for (const auto& [failures, ms] : rows) EXPECT_EQ(win32app::Tray::RetryDelayMs(failures), ms) << failures;
}

TEST_F(Win32AppTest, TheTrayShowsTheWindowOnAReleaseAndItsMenuCommandsAct) {
    auto& w = start();
    auto notify = [&](UINT mouse) { SendMessageW(w.hwnd(), win32app::Tray::kCallbackMessage, 1, mouse); };
    ShowWindow(w.hwnd(), SW_HIDE);
    notify(WM_MOUSEMOVE);
    notify(WM_LBUTTONDOWN);
    EXPECT_FALSE(IsWindowVisible(w.hwnd())) << "a press alone does nothing";
    notify(WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(w.hwnd()));

    // The menu as the tray shows it.
    ASSERT_TRUE(w.tray());
    HMENU menu = w.tray()->menu();
    auto item = [](HMENU m, int i) {
        wchar_t s[64] = {};
        GetMenuStringW(m, static_cast<UINT>(i), s, 64, MF_BYPOSITION);
        return std::wstring(s);
    };
    ASSERT_EQ(GetMenuItemCount(menu), 3);
    EXPECT_EQ(item(menu, 0), L"显示");
    EXPECT_EQ(item(menu, 1), L"关于");
    EXPECT_EQ(item(menu, 2), L"退出");
    HMENU about = GetSubMenu(menu, 1);
    ASSERT_TRUE(about);
    EXPECT_EQ(item(about, 0), L"关于 Zorvane Change Hotkey");

    ShowWindow(w.hwnd(), SW_HIDE);
    SendMessageW(w.hwnd(), WM_COMMAND, GetMenuItemID(menu, 0), 0);
    EXPECT_TRUE(IsWindowVisible(w.hwnd()));
    SendMessageW(w.hwnd(), WM_COMMAND, GetMenuItemID(about, 0), 0);
    EXPECT_EQ(pages,
              std::vector<std::wstring>{L"https://www.zorvane.com/software/zorvane-change-hotkey/index.html?v=1.0"});
    SendMessageW(w.hwnd(), WM_COMMAND, GetMenuItemID(menu, 2), 0);
    EXPECT_TRUE(exited);
    EXPECT_EQ(ini("Zorvane", "Zorvane1KeyCode"), "0") << "exit saved the chords";
}

namespace {

int movesStarted = 0;
LRESULT CALLBACK countMoves(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (msg == WM_NCLBUTTONDOWN && wParam == HTCAPTION) {
        ++movesStarted;
        return 0;  // the move itself is the system's; not here
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace

TEST_F(Win32AppTest, TheStripsStartAMoveTheImagesAndTheEditorsTitleDoNot) {
    auto& w = start();
    win32app::edit* e = w.editor();
    for (HWND h : {w.hwnd(), e->hwnd()}) SetWindowSubclass(h, countMoves, 1, 0);
    auto press = [](HWND h) {
        SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    };
    movesStarted = 0;
    press(w.pmenu());
    EXPECT_EQ(movesStarted, 1);
    EXPECT_EQ(SendMessageW(w.title(), WM_NCHITTEST, 0, 0), HTTRANSPARENT) << "the title passes the press to the strip";
    press(w.Image2());  // hides the window
    press(w.Picture1());
    EXPECT_EQ(movesStarted, 1);
    EXPECT_FALSE(IsWindowVisible(w.hwnd()));

    press(e->strip());
    EXPECT_EQ(movesStarted, 2);
    EXPECT_NE(SendMessageW(e->title(), WM_NCHITTEST, 0, 0), HTTRANSPARENT) << "the editor's title keeps its presses";
    press(e->title());
    EXPECT_EQ(movesStarted, 2);

    ShowWindow(w.hwnd(), SW_SHOWMAXIMIZED);
    press(w.pmenu());
    EXPECT_EQ(movesStarted, 2) << "a maximised window is not moved";
    for (HWND h : {w.hwnd(), e->hwnd()}) RemoveWindowSubclass(h, countMoves, 1);
}

// A copy started as administrator makes the mutex for itself alone: a
// second copy that may not even open it is a second copy all the same.
// (Wine lets a user open any mutex of its own, so only the decision is
// tested here.)
TEST(SingleInstance, AMutexThisCopyMayNotOpenIsAnotherCopys) {
    EXPECT_TRUE(win32app::SingleInstance::anotherCopyHolds(false, ERROR_ACCESS_DENIED));
    EXPECT_TRUE(win32app::SingleInstance::anotherCopyHolds(true, ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(win32app::SingleInstance::anotherCopyHolds(true, ERROR_SUCCESS));
    EXPECT_FALSE(win32app::SingleInstance::anotherCopyHolds(false, ERROR_INVALID_NAME)) << "cannot tell: run";
}

TEST_F(Win32AppTest, ASecondCopyAsksTheFirstToShowItsWindow) {
    win32app::SingleInstance first;
    EXPECT_TRUE(first.first());
    {
        win32app::SingleInstance second;
        EXPECT_FALSE(second.first());
    }
    EXPECT_NE(win32app::SingleInstance::mutexName().find(L"Local\\ZorvaneChangeHotkey-"), std::wstring::npos);

    auto& w = start();
    ShowWindow(w.hwnd(), SW_HIDE);
    EXPECT_TRUE(win32app::SingleInstance::askFirstCopyToShow(1000));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(w.hwnd()) != FALSE; }, 2000));
}
