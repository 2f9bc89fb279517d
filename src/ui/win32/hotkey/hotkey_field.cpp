#include "ui/win32/hotkey/hotkey_field.h"

#include <commctrl.h>
#include <imm.h>
#include <algorithm>

#include "core/settings/wide_text_win32.h"

namespace win32app {

namespace {

constexpr UINT_PTR kSubclassId = 1;

// Shift, Ctrl and Alt as the thread's key state has them at this message.
hotkey::ShiftState shiftStateNow() {
    hotkey::ShiftState s;
    if (GetKeyState(VK_SHIFT) < 0) s |= hotkey::kShiftBit;
    if (GetKeyState(VK_CONTROL) < 0) s |= hotkey::kCtrlBit;
    if (GetKeyState(VK_MENU) < 0) s |= hotkey::kAltBit;
    return s;
}

}  // namespace

HotkeyField::HotkeyField(HWND parent, UINT_PTR id, std::string hostName, const platform::Services& services,
                         hotkey::ChordStore& store, hotkey::ControlLogic::Alert alert)
    : logic_(std::move(alert), services) {
    // Multi-line only so that the one line can sit in the middle of the field;
    // nothing typed ever becomes text.
    edit_ = CreateWindowExW(0, WC_EDITW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_AUTOHSCROLL, 0, 0,
                            0, 0, parent, reinterpret_cast<HMENU>(id), GetModuleHandleW(nullptr), nullptr);
    SetWindowSubclass(edit_, subclass, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    // No input method: its composition would put text in the field.
    ImmAssociateContext(edit_, nullptr);

    logic_.onShow = [this] { showChord(); };
    logic_.connect(&store, std::move(hostName));
}

HotkeyField::~HotkeyField() {
    // Ending the endpoint releases the chord.
    logic_.detach();
    if (IsWindow(edit_)) RemoveWindowSubclass(edit_, subclass, kSubclassId);
}

void HotkeyField::showChord() {
    const std::wstring text = widetext::widen(logic_.capture().text());
    const int length = GetWindowTextLengthW(edit_);
    std::wstring shown(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(edit_, shown.data(), length + 1);
    shown.resize(static_cast<std::size_t>(length));
    if (shown != text) SetWindowTextW(edit_, text.c_str());
    const auto end = static_cast<WPARAM>(text.size());
    SendMessageW(edit_, EM_SETSEL, end, static_cast<LPARAM>(end));
}

void HotkeyField::centreText() {
    RECT client;
    GetClientRect(edit_, &client);
    HDC dc = GetDC(edit_);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(edit_, WM_GETFONT, 0, 0)));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(edit_, dc);
    const int top = std::max(0L, (client.bottom - tm.tmHeight) / 2);
    RECT line{client.left + 2, top, client.right - 2, top + tm.tmHeight};
    SendMessageW(edit_, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&line));
}

void HotkeyField::keyDown(int vk) { logic_.keyDown(vk, hotkey::ShiftStateOf(vk, true, shiftStateNow())); }

LRESULT HotkeyField::handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            // System keys too: Alt and F10 here are a chord, not the window's menu.
            keyDown(static_cast<int>(wParam & 0xFF));
            return 0;
        case WM_KEYUP:
        case WM_SYSKEYUP: logic_.keyUp(static_cast<int>(wParam & 0xFF)); return 0;
        case WM_CHAR:
        case WM_SYSCHAR:
        case WM_DEADCHAR:
        case WM_SYSDEADCHAR:
        case WM_UNICHAR:
        case WM_IME_CHAR:
        case WM_IME_COMPOSITION:
            // Nothing typed becomes text: the capture builds it.
            return 0;
        case WM_PASTE:
        case WM_CUT:
        case WM_CLEAR:
        case WM_UNDO:
        case EM_UNDO:
        case WM_CONTEXTMENU:
            // No edit menu and no editing: the text changes only through the capture.
            return 0;
        case WM_GETDLGCODE:
            // Every key, Tab and Enter included, is part of a chord.
            return DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_WANTTAB | DLGC_WANTARROWS;
        case WM_SETFOCUS: logic_.focusGained(); break;
        case WM_KILLFOCUS: logic_.focusLost(); break;
        case WM_SIZE:
        case WM_SETFONT: {
            const LRESULT r = DefSubclassProc(edit_, msg, wParam, lParam);
            centreText();
            return r;
        }
        default: break;
    }
    return DefSubclassProc(edit_, msg, wParam, lParam);
}

LRESULT CALLBACK HotkeyField::subclass(HWND, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    return reinterpret_cast<HotkeyField*>(self)->handle(msg, wParam, lParam);
}

}  // namespace win32app
