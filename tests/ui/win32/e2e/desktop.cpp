#include "e2e/desktop.h"

#include <regex>

#include "core/settings/profile_file.h"
#include "core/settings/wide_text_win32.h"
#include "support/pump.h"
#include "support/unix_command.h"

namespace e2e {

namespace {

std::wstring windowsPath(const std::string& unixPath) {
    std::wstring path = L"Z:" + widetext::widen(unixPath);
    for (auto& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

}  // namespace

Program::Program(const std::wstring& folder) : folder_(folder), exe_(folder + L"\\zorvane-change-hotkey.exe") {
    CreateDirectoryW(folder_.c_str(), nullptr);
    CopyFileW(windowsPath(ZORVANE_PROGRAM).c_str(), exe_.c_str(), FALSE);
}

bool Program::start() { return process_.start(exe_, L""); }

HWND Program::waitForMainWindow(int timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = VisibleWindow(kMainClass)) != nullptr; }, timeoutMs);
    return found;
}

std::string Program::ini(const std::string& section, const std::string& key) const {
    return profile::readValue(widetext::narrow(folder_ + L"\\set.ini"), section, key, "<missing>");
}

HWND VisibleWindow(const wchar_t* className) {
    HWND h = FindWindowW(className, nullptr);
    return h && IsWindowVisible(h) ? h : nullptr;
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) { return wintest::PumpUntil(done, timeoutMs); }

bool ClickAt(HWND window, int x, int y, int button) {
    POINT at{x, y};
    if (window) ClientToScreen(window, &at);
    return wintest::Xdotool(L"mousemove " + std::to_wstring(at.x) + L" " + std::to_wstring(at.y) +
                            L" sleep 0.1 click " + std::to_wstring(button));
}

std::wstring TextOf(HWND control) {
    wchar_t text[256] = {};
    SendMessageW(control, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    return text;
}

bool Screenshot(const std::string& name) {
    const std::wstring folder = widetext::widen(ZORVANE_SCREENSHOTS);
    return wintest::RunUnix(
               L"mkdir -p '" + folder + L"' && import -window root '" + folder + L"/" + widetext::widen(name) + L"'",
               20000)
        .has_value();
}

std::string PixelAt(const std::string& name, int x, int y) {
    const auto out =
        wintest::RunUnix(L"convert '" + widetext::widen(ZORVANE_SCREENSHOTS) + L"/" + widetext::widen(name) +
                         L"' -format '%[fx:int(255*p{" + std::to_wstring(x) + L"," + std::to_wstring(y) +
                         L"}.r)],%[fx:int(255*p{" + std::to_wstring(x) + L"," + std::to_wstring(y) +
                         L"}.g)],%[fx:int(255*p{" + std::to_wstring(x) + L"," + std::to_wstring(y) + L"}.b)]' info:");
    return out.value_or("?");
}

std::optional<RECT> TrayIcon() {
    // Wine docks the icon as a window of its explorer inside the tray host.
    std::optional<RECT> icon;
    WaitUntil([&] {
        const auto out = wintest::RunUnix(L"xdotool search --classname 'explorer.exe' getwindowgeometry %@");
        if (!out) return false;
        static const std::regex block(R"(Position: (\d+),(\d+).*\n\s*Geometry: (\d+)x(\d+))");
        for (std::sregex_iterator it(out->begin(), out->end(), block), end; it != end; ++it) {
            const int w = std::stoi((*it)[3]), h = std::stoi((*it)[4]);
            if (w < 8 || h < 8 || w > 64 || h > 64) continue;  // not the 1×1 helpers, not a window
            const int x = std::stoi((*it)[1]), y = std::stoi((*it)[2]);
            icon = RECT{x, y, x + w, y + h};
            return true;
        }
        return false;
    });
    return icon;
}

namespace {

// The tray icon's own window, in Wine's explorer.
HWND trayIconWindow() {
    std::function<HWND(HWND)> find = [&](HWND parent) -> HWND {
        for (HWND h = FindWindowExW(parent, nullptr, nullptr, nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
            wchar_t cls[64] = {};
            GetClassNameW(h, cls, 64);
            if (std::wstring(cls) == L"__winex11_tray_icon") return h;
            if (HWND inner = find(h)) return inner;
        }
        return nullptr;
    };
    return find(GetDesktopWindow());
}

}  // namespace

std::optional<POINT> TrayIconClickPoint(const RECT& icon) {
    // X gives a click to the icon's window where X has it; Wine then gives the
    // click to the window it finds under the pointer by its own idea of the
    // windows, which can lag behind the tray host's (Wine misses a resize
    // done while it docks the icon). A point both agree on reaches the icon.
    RECT both = icon;
    for (HWND h = trayIconWindow(); h && h != GetDesktopWindow(); h = GetParent(h)) {
        RECT r;
        GetWindowRect(h, &r);
        if (!IntersectRect(&both, &both, &r)) return std::nullopt;
    }
    if (IsRectEmpty(&both)) return std::nullopt;
    return POINT{(both.left + both.right) / 2, (both.top + both.bottom) / 2};
}

std::string TrayIconAncestry() {
    std::string out;
    for (HWND h = trayIconWindow(); h && h != GetDesktopWindow(); h = GetParent(h)) {
        RECT r;
        GetWindowRect(h, &r);
        wchar_t cls[64] = {};
        GetClassNameW(h, cls, 64);
        out += widetext::narrow(cls) + " " + std::to_string(r.left) + "," + std::to_string(r.top) + "-" +
               std::to_string(r.right) + "," + std::to_string(r.bottom) + "\n";
    }
    return out.empty() ? "no tray icon window\n" : out;
}

}  // namespace e2e
