// Chords typed into a trigger field as a keyboard types them (SendInput into
// the focused field): what the field shows and keeps, and that nothing but
// the capture ever changes its text.

#include "app_fixture.h"

#include <imm.h>
#include <cstring>
#include "support/pump.h"

using wintest::PumpFor;

namespace {

// Puts text on the clipboard, for a paste that must not happen.
void clipboard(const wchar_t* text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const std::size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(GlobalLock(memory), text, bytes);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

bool menuOpened = false;
// Runs inside any menu's modal loop: notes it and closes it.
void CALLBACK closeAnyMenu(HWND, UINT, UINT_PTR, DWORD) {
    HWND menu = FindWindowW(L"#32768", nullptr);
    if (menu && IsWindowVisible(menu)) {
        menuOpened = true;
        EndMenu();
    }
}

}  // namespace

TEST_F(Win32AppTest, ChordsTypedIntoTheField) {
    auto& w = start();
    auto& field = w.ZorvaneN(1);
    focus(field.hwnd());
    auto caretAtEnd = [&] {
        DWORD from = 0, to = 0;
        SendMessageW(field.hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        return from == to && from == static_cast<DWORD>(text(field.hwnd()).size());
    };

    type({VK_CONTROL, VK_MENU, 'A'});
    EXPECT_EQ(text(field.hwnd()), L"Ctrl + Alt + A");
    EXPECT_EQ(field.logic().capture().keyCode(), 'A');
    EXPECT_EQ(field.logic().capture().modKeyCode(), mod::Mask::Control | mod::Mask::Alt);
    EXPECT_TRUE(caretAtEnd());

    type({VK_LWIN, VK_SHIFT, VK_F5});
    EXPECT_EQ(text(field.hwnd()), L"Win + Shift + F5");
    EXPECT_EQ(field.logic().capture().keyCode(), VK_F5);
    EXPECT_EQ(field.logic().capture().modKeyCode(), mod::Mask::Win | mod::Mask::Shift);

    // Modifiers alone show with a trailing " + ", and fall back to the prompt when let go.
    keyDown(VK_CONTROL);
    EXPECT_EQ(text(field.hwnd()), L"Ctrl + ");
    EXPECT_TRUE(caretAtEnd());
    keyUp(VK_CONTROL);
    EXPECT_EQ(text(field.hwnd()), L"按下热键");
    EXPECT_EQ(field.logic().capture().keyCode(), 0);
    EXPECT_EQ(field.logic().capture().modKeyCode(), mod::Mask{});

    // Tab and a plain letter are chords too; a letter never becomes a character.
    type({VK_TAB});
    EXPECT_EQ(text(field.hwnd()), L"Tab");
    EXPECT_EQ(GetFocus(), field.hwnd()) << "Tab stays in the field";
    type({'Q'});
    EXPECT_EQ(text(field.hwnd()), L"Q");

    // The context-menu key changes nothing and opens nothing.
    menuOpened = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, closeAnyMenu);
    type({VK_APPS});
    PumpFor(150);
    EXPECT_EQ(text(field.hwnd()), L"Q");
    EXPECT_EQ(field.logic().capture().keyCode(), 'Q');
    KillTimer(nullptr, timer);
    EXPECT_FALSE(menuOpened);
}

TEST_F(Win32AppTest, NoPasteNoMenuNoInputMethod) {
    auto& w = start();
    HWND field = w.ZorvaneN(2).hwnd();
    focus(field);
    type({'K'});
    clipboard(L"pasted");

    type({VK_CONTROL, 'V'});
    EXPECT_EQ(text(field), L"Ctrl + V") << "a chord, not the clipboard";
    type({VK_SHIFT, VK_INSERT});
    EXPECT_EQ(text(field), L"Shift + Insert");
    SendMessageW(field, WM_PASTE, 0, 0);
    SendMessageW(field, WM_CUT, 0, 0);
    SendMessageW(field, WM_CLEAR, 0, 0);
    SendMessageW(field, WM_UNDO, 0, 0);
    SendMessageW(field, WM_CHAR, 'x', 0);
    EXPECT_EQ(text(field), L"Shift + Insert");

    // A right click opens no edit menu.
    menuOpened = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, closeAnyMenu);
    PostMessageW(field, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    PostMessageW(field, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    PumpFor(200);
    KillTimer(nullptr, timer);
    EXPECT_FALSE(menuOpened);
    EXPECT_EQ(SendMessageW(field, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(field), MAKELPARAM(5, 5)), 0);

    EXPECT_EQ(ImmGetContext(field), nullptr) << "no input method composes into the field";
    EXPECT_EQ(text(field), L"Shift + Insert");
}
