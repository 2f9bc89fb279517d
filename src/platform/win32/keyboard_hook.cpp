#include "platform/win32/keyboard_hook.h"

#include <wtsapi32.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/diag/backoff.h"
#include "core/diag/diag.h"
#include "core/keys/virtual_keys.h"
#include "platform/win32/app_messages.h"
#include "platform/win32/win32_key_injector.h"

namespace win32::keyboard_hook {

namespace {

constexpr const wchar_t* kSessionWindowClass = L"ZorvaneSessionWatch";
constexpr const wchar_t* kMailboxClass = L"ZorvaneHookMailbox";
// Raw keyboard input the hook did not see, in a row: one event of a live
// hook's may come either side of its hook call, never more.
constexpr int kUnseenLimit = 3;
// A chord's mask tap passes the hook within milliseconds; should it never
// (another hook took it), the releases it held back go out after this.
constexpr UINT kTriggerHoldMs = 300;
// WTSRegisterSessionNotification fails until the terminal service is up.
constexpr UINT kFirstRetryMs = 1000, kLastRetryMs = 60000;
enum : UINT_PTR { kTriggerHoldTimer = 1, kSessionTimer = 2 };
constexpr UINT kRemoveForTest = WM_USER + 1;  // the window's class is ours alone

// A hook procedure has no context of its own: the hook is process-wide state.
struct Hook {
    std::mutex mutex;  // guards keys: the hook's thread writes, the program reads
    HeldKeys keys;
    int users = 0;  // the program's thread only
    std::thread thread;
    DWORD threadId = 0;
    HWND mailbox = nullptr;  // the program's thread's: the hook's reports go there
    std::mutex reportsMutex;
    std::vector<std::string> reports;
    // The hook's thread only:
    std::atomic<HHOOK> handle{nullptr};
    HWND window = nullptr;  // session changes, raw input, timers, sync()
    int unseen = 0;         // raw keyboard events since the hook's last call
    bool sessionWatched = false;
    int sessionFailures = 0;
    std::atomic<int> reinstalls{0};
    std::atomic<bool> watching{true};
};

Hook& hook() {
    static Hook h;
    return h;
}

// From the hook's thread: the line is written by the program's thread, so
// that no file access can keep the hook waiting.
void report(std::string line) {
    Hook& h = hook();
    {
        std::lock_guard lock(h.reportsMutex);
        h.reports.push_back(std::move(line));
    }
    PostMessageW(h.mailbox, appmsg::kHookReports, 0, 0);
}

void deliverReports() {
    std::vector<std::string> lines;
    {
        std::lock_guard lock(hook().reportsMutex);
        lines.swap(hook().reports);
    }
    for (const std::string& line : lines) diag::Report(line);
}

// Never with the keys' lock held: Wine's SendInput waits for the low-level
// hooks, this process's among them.
void send(bool maskTap, const platform::KeySet& releases) {
    std::vector<INPUT> inputs;
    if (maskTap) {
        inputs.push_back(OwnKeyInput(vk::Unassigned, false));
        inputs.push_back(OwnKeyInput(vk::Unassigned, true));
    }
    for (int code = 0; code < 256; ++code)
        if (releases[code]) inputs.push_back(OwnKeyInput(static_cast<std::uint8_t>(code), true));
    if (!inputs.empty()) SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

LRESULT CALLBACK procedure(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        Hook& h = hook();
        h.unseen = 0;
        const auto* k = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        const bool down = wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN;
        HeldKeys::Verdict v;
        {
            std::lock_guard lock(h.mutex);
            v = h.keys.onKey({k->vkCode, k->scanCode, (k->flags & LLKHF_EXTENDED) != 0, down,
                              (k->flags & LLKHF_INJECTED) != 0, k->dwExtraInfo});
        }
        // Sent now, so that it reaches the application before any release of
        // the user's that follows.
        send(v.maskTap, v.letGo);
        if (v.maskTap) SetTimer(h.window, kTriggerHoldTimer, kTriggerHoldMs, nullptr);
        for (const std::uintptr_t taker : v.repeatFor)
            PostMessageW(reinterpret_cast<HWND>(taker), appmsg::kTakenRepeat, 0, 0);
        if (v.pressFor) PostMessageW(reinterpret_cast<HWND>(v.pressFor), appmsg::kLetGoPress, 0, 0);
        if (v.swallow) return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

HHOOK install() { return SetWindowsHookExW(WH_KEYBOARD_LL, procedure, GetModuleHandleW(nullptr), 0); }

// A new hook replaces the old one, and runs ahead of every hook installed
// since. Releases made while no hook watched were never seen: the record is
// checked against the keys the system has down.
void reinstall() {
    Hook& h = hook();
    if (HHOOK fresh = install()) UnhookWindowsHookEx(h.handle.exchange(fresh));
    const platform::KeySet down = KeysDownForApplications();
    std::lock_guard lock(h.mutex);
    h.keys.beginCheck();
    h.keys.check(down);
}

// Windows removes a hook that kept it waiting too long (LowLevelHooksTimeout),
// and says nothing. This thread does nothing else, so that should not happen;
// should it all the same, it shows here: raw input hears of every key event
// the hook should have seen, and nothing else (no mouse, no timer). Key events
// the hook missed mean it is gone, or another program's hook, installed
// later, takes the keys first; either way it is installed again.
void watch() {
    Hook& h = hook();
    if (!h.watching || ++h.unseen < kUnseenLimit) return;
    h.unseen = 0;
    reinstall();
    ++h.reinstalls;
    report(
        "the keyboard hook saw no keys (Windows removed it, or another program's hook takes them first); "
        "it is installed again");
}

void watchSession(HWND hwnd) {
    Hook& h = hook();
    h.sessionWatched = WTSRegisterSessionNotification(hwnd, NOTIFY_FOR_THIS_SESSION);
    if (h.sessionWatched) return;
    if (++h.sessionFailures == 1)
        report("the session's changes cannot be watched yet (error " + std::to_string(GetLastError()) +
               "); trying again");
    SetTimer(hwnd, kSessionTimer, diag::BackoffMs(h.sessionFailures, kFirstRetryMs, kLastRetryMs), nullptr);
}

LRESULT CALLBACK windowProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_WTSSESSION_CHANGE:
            // Back from the lock screen, or the session back at a console.
            if (wParam == WTS_SESSION_UNLOCK || wParam == WTS_CONSOLE_CONNECT || wParam == WTS_REMOTE_CONNECT)
                reinstall();
            return 0;
        case WM_INPUT: watch(); break;  // the system frees the input
        case kRemoveForTest:
            UnhookWindowsHookEx(hook().handle);  // and the handle kept, as when Windows removes it
            return 0;
        case WM_TIMER:
            KillTimer(hwnd, wParam);
            if (wParam == kSessionTimer) watchSession(hwnd);
            if (wParam == kTriggerHoldTimer) {
                const platform::KeySet letGo = keys()->endTriggerHold();
                send(false, letGo);
            }
            return 0;
        default: break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND makeWindow(const wchar_t* className, WNDPROC procedure, HWND parent) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    RegisterClassW(&wc);  // registered already after an earlier hook
    return CreateWindowExW(0, className, L"", WS_POPUP, 0, 0, 0, 0, parent, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
}

// A hidden top-level window: session changes are sent to one.
HWND makeSessionWindow() {
    HWND hwnd = makeWindow(kSessionWindowClass, windowProcedure, nullptr);
    if (!hwnd) return nullptr;
    hook().sessionFailures = 0;
    watchSession(hwnd);
    // Keys typed into any window, the program's own and injected ones included.
    const RAWINPUTDEVICE keyboard{0x01, 0x06, RIDEV_INPUTSINK, hwnd};
    if (!RegisterRawInputDevices(&keyboard, 1, sizeof keyboard))
        report("a removed keyboard hook cannot be noticed: raw input refused (error " + std::to_string(GetLastError()) +
               ")");
    return hwnd;
}

LRESULT CALLBACK mailboxProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == appmsg::kHookReports) {
        deliverReports();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The hook's own thread: it only pumps messages, so that nothing the program
// does (a save, a message box, a web page opened) can keep the hook waiting.
void run(HANDLE started, bool* ok) {
    Hook& h = hook();
    h.threadId = GetCurrentThreadId();
    h.handle = install();
    h.window = h.handle ? makeSessionWindow() : nullptr;
    const bool installed = h.handle != nullptr;
    *ok = installed;
    // From here on `ok` may be gone: the thread that waits returns at once.
    SetEvent(started);
    if (!installed) return;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    if (h.window) {
        if (h.sessionWatched) WTSUnRegisterSessionNotification(h.window);
        DestroyWindow(h.window);
        h.window = nullptr;
    }
    UnhookWindowsHookEx(h.handle);
    h.handle = nullptr;
    // What the hook still held back goes up with it.
    platform::KeySet letGo;
    {
        std::lock_guard lock(h.mutex);
        letGo = h.keys.holdReleases({}).letGo | h.keys.endTriggerHold();
    }
    send(false, letGo);
}

}  // namespace

bool acquire() {
    Hook& h = hook();
    if (h.users == 0) {
        {
            std::lock_guard lock(h.mutex);
            h.keys = HeldKeys{};  // what happened while no hook watched is unknown
        }
        h.mailbox = makeWindow(kMailboxClass, mailboxProcedure, HWND_MESSAGE);
        HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        bool ok = false;
        h.thread = std::thread(run, started, &ok);
        WaitForSingleObject(started, INFINITE);
        CloseHandle(started);
        if (!ok) {
            h.thread.join();
            DestroyWindow(h.mailbox);
            h.mailbox = nullptr;
            return false;
        }
    }
    ++h.users;
    return true;
}

void release() {
    Hook& h = hook();
    if (h.users == 0 || --h.users > 0) return;
    PostThreadMessageW(h.threadId, WM_QUIT, 0, 0);
    h.thread.join();
    deliverReports();
    DestroyWindow(h.mailbox);
    h.mailbox = nullptr;
}

bool installed() { return hook().handle != nullptr; }

LockedKeys keys() { return LockedKeys(hook().mutex, hook().keys); }

platform::KeySet holdReleases(const platform::KeySet& keys) {
    // The program's own releases sent so far are taken into account first:
    // a key they let go of needs no release of the hold's.
    // Sent once this thread has the hook's decisions so far: the hook sends
    // its own before it hears of the next key event.
    sync();
    const HeldKeys::Hold hold = keyboard_hook::keys()->holdReleases(keys);
    send(false, hold.letGo);
    return hold.held;
}

void sync() {
    // A message sent to the hook's thread is handled after the hook calls
    // the system sent it before.
    if (HWND w = hook().window) SendMessageW(w, WM_NULL, 0, 0);
}

platform::KeySet KeysDownForApplications() {
    platform::KeySet down;
    // From Backspace: below are the mouse buttons. The generic Shift, Ctrl
    // and Alt are left out: their sided keys say which one is down.
    for (int vk = vk::Back; vk < 256; ++vk) {
        if (vk == vk::Shift || vk == vk::Control || vk == vk::Menu) continue;
        if (GetAsyncKeyState(vk) & 0x8000) down.set(static_cast<std::size_t>(vk));
    }
    return down;
}

HWND sessionWindow() { return hook().window; }

int reinstalls() { return hook().reinstalls; }

void watchForTest(bool on) { hook().watching = on; }

void removeForTest() {
    if (HWND w = hook().window) SendMessageW(w, kRemoveForTest, 0, 0);
}

}  // namespace win32::keyboard_hook
