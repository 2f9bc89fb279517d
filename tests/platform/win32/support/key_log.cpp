#include "support/key_log.h"

#include <cstdio>
#include <sstream>

#include "support/pump.h"

namespace wintest {

namespace {

constexpr const wchar_t* kClassName = L"ZorvaneKeyLogWindow";

mod::Mask modifiersNow() {
    mod::Mask mods;
    if (GetKeyState(VK_MENU) & 0x8000) mods |= mod::Mask::Alt;
    if (GetKeyState(VK_CONTROL) & 0x8000) mods |= mod::Mask::Control;
    if (GetKeyState(VK_SHIFT) & 0x8000) mods |= mod::Mask::Shift;
    if ((GetKeyState(VK_LWIN) | GetKeyState(VK_RWIN)) & 0x8000) mods |= mod::Mask::Win;
    return mods;
}

}  // namespace

std::string KeyMessage::line() const {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%c %u %u %d %d %.3f %u", kind, code, lParam, mods.bits(), sys ? 1 : 0, ms, time);
    return buf;
}

std::optional<KeyMessage> KeyMessage::parse(const std::string& line) {
    std::istringstream in(line);
    KeyMessage m;
    int mods = 0, sys = 0;
    if (!(in >> m.kind >> m.code >> m.lParam >> mods >> sys >> m.ms >> m.time)) return std::nullopt;
    m.mods = mod::Mask(mods);
    m.sys = sys != 0;
    return m;
}

std::string Describe(const std::vector<KeyMessage>& messages) {
    std::string s;
    for (const auto& m : messages) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "  %c%s %s0x%02X mods=%d ext=%d scan=0x%02X at %.1f\n", m.kind,
                      m.sys ? " (sys)" : "", m.kind == 'C' ? "char " : "vk ", m.code, m.mods.bits(),
                      m.extended() ? 1 : 0, m.scanCode(), m.ms);
        s += buf;
    }
    return s.empty() ? "  (no key messages)\n" : s;
}

std::vector<KeyMessage> ReadKeyLog(const std::wstring& path) {
    std::vector<KeyMessage> out;
    FILE* f = _wfopen(path.c_str(), L"r");
    if (!f) return out;
    char line[200];
    while (std::fgets(line, sizeof line, f))
        if (auto m = KeyMessage::parse(line)) out.push_back(*m);
    std::fclose(f);
    return out;
}

KeyLogWindow::KeyLogWindow(const std::wstring& title) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassW(&wc);  // a second window of the process finds it registered
    hwnd_ = CreateWindowExW(0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 320, 200, nullptr,
                            nullptr, GetModuleHandleW(nullptr), this);
}

KeyLogWindow::~KeyLogWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

bool KeyLogWindow::activate() {
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetFocus(hwnd_);
    return PumpUntil([this] { return GetForegroundWindow() == hwnd_ && GetFocus() == hwnd_; }, 3000);
}

LRESULT CALLBACK KeyLogWindow::procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<KeyLogWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    char kind = 0;
    switch (msg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: kind = 'D'; break;
        case WM_KEYUP:
        case WM_SYSKEYUP: kind = 'U'; break;
        case WM_CHAR:
        case WM_SYSCHAR: kind = 'C'; break;
        default: break;
    }
    if (self && kind) {
        KeyMessage m;
        m.kind = kind;
        m.code = static_cast<unsigned>(wParam);
        m.lParam = static_cast<unsigned>(lParam);
        m.mods = modifiersNow();
        m.sys = msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP || msg == WM_SYSCHAR;
        m.ms = NowMs();
        m.time = static_cast<unsigned>(GetMessageTime());
        self->messages_.push_back(m);
        if (self->onMessage) self->onMessage(m);
        // No menu to open and no system command: the listener only listens.
        if (m.sys) return 0;
    }
    if (msg == WM_NCDESTROY && self) self->hwnd_ = nullptr;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace wintest
