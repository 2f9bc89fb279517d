#include "ui/win32/hotkey/target_fields.h"

#include <commctrl.h>

#include "core/settings/wide_text_win32.h"

namespace win32app {

TargetFields::TargetFields(HWND parent, UINT_PTR firstId) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    tooltip_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr, instance, nullptr);
    for (int i = 0; i < kSlots; ++i) {
        // Read-only and no tab stop: the editor sets the text.
        fields_[i] = CreateWindowExW(0, WC_EDITW, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL,
                                     0, 0, 0, 0, parent, reinterpret_cast<HMENU>(firstId + i), instance, nullptr);
        SetWindowSubclass(fields_[i], subclass, static_cast<UINT_PTR>(i), reinterpret_cast<DWORD_PTR>(this));
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = parent;
        tool.uId = reinterpret_cast<UINT_PTR>(fields_[i]);
        tool.lpszText = tips_[i].data();
        SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

TargetFields::~TargetFields() {
    for (int i = 0; i < kSlots; ++i)
        if (IsWindow(fields_[i])) RemoveWindowSubclass(fields_[i], subclass, static_cast<UINT_PTR>(i));
    if (IsWindow(tooltip_)) DestroyWindow(tooltip_);
}

void TargetFields::show(int i, const std::string& text, const std::string& action) {
    SetWindowTextW(fields_[i], widetext::widen(text).c_str());
    SendMessageW(fields_[i], EM_SETSEL, 0, 0);  // the start of the text shows
    tips_[i] = widetext::widen(action);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = GetParent(fields_[i]);
    tool.uId = reinterpret_cast<UINT_PTR>(fields_[i]);
    tool.lpszText = tips_[i].data();
    SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

std::wstring TargetFields::tip(int i) const {
    wchar_t text[256] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = GetParent(fields_[i]);
    tool.uId = reinterpret_cast<UINT_PTR>(fields_[i]);
    tool.lpszText = text;
    SendMessageW(tooltip_, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
    return text;
}

LRESULT CALLBACK TargetFields::subclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR i, DWORD_PTR self) {
    const LRESULT r = DefSubclassProc(hwnd, msg, wParam, lParam);
    if (msg == WM_NCPAINT) {
        // A light grey line rather than the system's black one.
        RECT frame;
        GetWindowRect(hwnd, &frame);
        OffsetRect(&frame, -frame.left, -frame.top);
        HDC dc = GetWindowDC(hwnd);
        HBRUSH grey = CreateSolidBrush(RGB(170, 170, 170));
        FrameRect(dc, &frame, grey);
        DeleteObject(grey);
        ReleaseDC(hwnd, dc);
    }
    if (msg == WM_LBUTTONUP)
        if (auto click = reinterpret_cast<TargetFields*>(self)->onClick) click(static_cast<int>(i));
    return r;
}

}  // namespace win32app
