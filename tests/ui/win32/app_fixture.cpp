#include "app_fixture.h"

#include <cstdio>

#include "core/settings/modINI.h"
#include "core/settings/wide_text_win32.h"
#include "core/slots/settings_file.h"
#include "support/pump.h"

using wintest::PumpFor;
using wintest::PumpUntil;

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    ASSERT_TRUE(f);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

void Win32AppTest::SetUp() {
    iniPath = widetext::widen(modINI::JoinPath(modINI::ProgramFolder(), "set.ini"));
    DeleteFileW(iniPath.c_str());
}

void Win32AppTest::TearDown() {
    window.reset();
    // Whatever a failure left behind, the next test starts with every key up.
    for (BYTE vk : {VK_LCONTROL, VK_LMENU, VK_LSHIFT, VK_LWIN}) keyUp(vk);
    PumpFor(20);
    DeleteFileW(iniPath.c_str());
}

win32app::frmSet& Win32AppTest::start(bool withHotkeys) {
    backend = platform::CreateServices();
    platform::Services services = backend.services();
    if (!withHotkeys) {
        services.hotkeys = nullptr;
        services.unavailable = "No hotkeys in this test.";
    }
    window = std::make_unique<win32app::frmSet>(services, app::SettingsFile::ForProgram());
    window->setAlert(
        [this](const std::string& title, const std::string& text) { messages.push_back(title + ": " + text); });
    window->openPage = [this](const wchar_t* url) { pages.push_back(url); };
    window->onExit = [this] { exited = true; };
    window->show();
    PumpFor(50);
    return *window;
}

namespace {

void send(BYTE vk, DWORD flags) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = flags;
    SendInput(1, &in, sizeof in);
    PumpFor(10);
}

}  // namespace

void Win32AppTest::keyDown(BYTE vk) { send(vk, 0); }
void Win32AppTest::keyUp(BYTE vk) { send(vk, KEYEVENTF_KEYUP); }

void Win32AppTest::type(std::initializer_list<BYTE> keys) {
    for (BYTE vk : keys) keyDown(vk);
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) keyUp(*it);
    PumpFor(20);
}

void Win32AppTest::focus(HWND field) {
    HWND top = GetAncestor(field, GA_ROOT);
    SetForegroundWindow(top);
    SetFocus(field);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == top && GetFocus() == field; }, 3000))
        << "the field never had the focus";
}

void Win32AppTest::clickBox(int n) {
    SendMessageW(window->Check(n), BM_CLICK, 0, 0);
    PumpFor(20);
}

void Win32AppTest::click(HWND control) {
    RECT r;
    GetClientRect(control, &r);
    const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(control, WM_LBUTTONUP, 0, at);
    PumpFor(20);
}

void Win32AppTest::pick(int k, const std::wstring& name) {
    win32app::edit* e = window->editor();
    ASSERT_TRUE(e);
    HWND picker = e->picker(k);
    // The blank entry is the first.
    const auto index = name.empty() ? 0
                                    : SendMessageW(picker, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                   reinterpret_cast<LPARAM>(name.c_str()));
    ASSERT_NE(index, CB_ERR) << "no entry " << widetext::narrow(name);
    // What the list does when the user chooses an entry: the selection, then the notification.
    SendMessageW(picker, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(e->hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(picker), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(picker));
}

std::wstring Win32AppTest::text(HWND control) {
    wchar_t buffer[512] = {};
    GetWindowTextW(control, buffer, static_cast<int>(std::size(buffer)));
    return buffer;
}

bool Win32AppTest::checked(int n) const { return SendMessageW(window->Check(n), BM_GETCHECK, 0, 0) == BST_CHECKED; }

std::string Win32AppTest::ini(const std::string& section, const std::string& key) const {
    return app::SettingsFile(widetext::narrow(iniPath)).read(section, key, "<missing>");
}
