#include "platform/win32/keyboard_hook.h"

#include <wtsapi32.h>

#include <atomic>
#include <thread>

#include "core/diag/diag.h"
#include "core/keys/virtual_keys.h"
#include "platform/win32/app_messages.h"
#include "platform/win32/integrity.h"

namespace win32::keyboard_hook {

namespace {

constexpr const wchar_t* kSessionWindowClass = L"ZorvaneSessionWatch";
// The dwExtraInfo of the hook's own probe (see watch()).
constexpr std::uintptr_t kProbeMark = 0x5A435052;
constexpr UINT kWatchMs = 2000, kProbeWaitMs = 500;
enum : UINT_PTR { kWatchTimer = 1, kProbeTimer = 2 };
constexpr UINT kRemoveForTest = WM_USER + 1;  // the window's class is ours alone

// A hook procedure has no context of its own: the hook is process-wide state.
struct Hook {
    std::mutex mutex;  // guards keys: the hook's thread writes, the program reads
    HeldKeys keys;
    int users = 0;  // the program's thread only
    std::thread thread;
    DWORD threadId = 0;
    // The hook's thread only:
    std::atomic<HHOOK> handle{nullptr};
    HWND window = nullptr;  // session changes, the watch's timers, sync()
    DWORD lastEvent = 0;    // tick of the last key event the hook saw
    DWORD lastProbedInput = 0;
    std::atomic<bool> probeSeen{false};
    std::atomic<int> reinstalls{0};
    std::atomic<bool> watching{true};
};

Hook& hook() {
    static Hook h;
    return h;
}

LRESULT CALLBACK procedure(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        Hook& h = hook();
        const auto* k = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        h.lastEvent = GetTickCount();
        if ((k->flags & LLKHF_INJECTED) && k->dwExtraInfo == kProbeMark) {
            h.probeSeen = true;
            return 1;  // nobody else needs to see it
        }
        const bool down = wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN;
        HeldKeys::Verdict v;
        {
            std::lock_guard lock(h.mutex);
            v = h.keys.onKey({k->vkCode, k->scanCode, (k->flags & LLKHF_EXTENDED) != 0, down,
                              (k->flags & LLKHF_INJECTED) != 0, k->dwExtraInfo});
        }
        for (const std::uintptr_t taker : v.repeatFor)
            PostMessageW(reinterpret_cast<HWND>(taker), appmsg::kTakenRepeat, 0, 0);
        if (v.pressFor) PostMessageW(reinterpret_cast<HWND>(v.pressFor), appmsg::kLetGoPress, 0, 0);
        if (v.swallow) return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

HHOOK install() { return SetWindowsHookExW(WH_KEYBOARD_LL, procedure, GetModuleHandleW(nullptr), 0); }

// A new hook replaces the old one, and the keys held are forgotten: the
// releases made while no hook watched were never seen.
void reinstall() {
    Hook& h = hook();
    if (HHOOK fresh = install()) UnhookWindowsHookEx(h.handle.exchange(fresh));
    std::lock_guard lock(h.mutex);
    h.keys.reset();
}

// Windows removes a hook that kept it waiting too long (LowLevelHooksTimeout),
// and says nothing. This thread does nothing else, so that should not happen;
// should it all the same, it is noticed here: when there was input since the
// hook last saw a key event (a mouse moved, or keys the hook missed), a key
// event that nothing acts on is sent with the probe's mark. A live hook takes
// it, and no application sees it; one that does not arrive means the hook is
// gone, and it is installed again.
void watch() {
    Hook& h = hook();
    if (!h.watching) return;
    LASTINPUTINFO input{sizeof input, 0};
    if (!GetLastInputInfo(&input)) return;
    const bool inputSinceLastEvent = static_cast<LONG>(input.dwTime - h.lastEvent) > 0;
    if (!inputSinceLastEvent || input.dwTime == h.lastProbedInput) return;
    // A window the program's keys cannot reach would drop the probe too.
    if (!ForegroundShieldReason().empty()) return;
    INPUT probe[2]{};
    for (INPUT& in : probe) {
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk::Unassigned;
        in.ki.dwExtraInfo = kProbeMark;
    }
    probe[1].ki.dwFlags = KEYEVENTF_KEYUP;
    h.probeSeen = false;
    if (SendInput(2, probe, sizeof(INPUT)) != 2) return;
    GetLastInputInfo(&input);
    h.lastProbedInput = input.dwTime;
    SetTimer(h.window, kProbeTimer, kProbeWaitMs, nullptr);
}

void probeAnswered() {
    Hook& h = hook();
    KillTimer(h.window, kProbeTimer);
    if (h.probeSeen) return;
    reinstall();
    ++h.reinstalls;
    diag::Report(
        "the keyboard hook saw no keys (Windows removed it, or another program's hook takes them first); "
        "it is installed again");
}

LRESULT CALLBACK windowProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_WTSSESSION_CHANGE:
            // Back from the lock screen, or the session back at a console.
            if (wParam == WTS_SESSION_UNLOCK || wParam == WTS_CONSOLE_CONNECT || wParam == WTS_REMOTE_CONNECT)
                reinstall();
            return 0;
        case kRemoveForTest:
            UnhookWindowsHookEx(hook().handle);  // and the handle kept, as when Windows removes it
            return 0;
        case WM_TIMER:
            if (wParam == kWatchTimer) watch();
            if (wParam == kProbeTimer) probeAnswered();
            return 0;
        default: return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

// A hidden top-level window: session changes are sent to a window.
HWND makeWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = windowProcedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kSessionWindowClass;
    RegisterClassW(&wc);  // registered already after an earlier hook
    HWND hwnd = CreateWindowExW(0, kSessionWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (hwnd) WTSRegisterSessionNotification(hwnd, NOTIFY_FOR_THIS_SESSION);
    return hwnd;
}

// The hook's own thread: it only pumps messages, so that nothing the program
// does (a save, a message box, a web page opened) can keep the hook waiting.
void run(HANDLE started, bool* ok) {
    Hook& h = hook();
    h.threadId = GetCurrentThreadId();
    h.handle = install();
    h.window = h.handle ? makeWindow() : nullptr;
    h.lastEvent = GetTickCount();
    if (h.window) SetTimer(h.window, kWatchTimer, kWatchMs, nullptr);
    const bool installed = h.handle != nullptr;
    *ok = installed;
    // From here on `ok` may be gone: the thread that waits returns at once.
    SetEvent(started);
    if (!installed) return;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    if (h.window) {
        WTSUnRegisterSessionNotification(h.window);
        DestroyWindow(h.window);
        h.window = nullptr;
    }
    UnhookWindowsHookEx(h.handle);
    h.handle = nullptr;
}

}  // namespace

bool acquire() {
    Hook& h = hook();
    if (h.users == 0) {
        {
            std::lock_guard lock(h.mutex);
            h.keys = HeldKeys{};  // what happened while no hook watched is unknown
        }
        HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        bool ok = false;
        h.thread = std::thread(run, started, &ok);
        WaitForSingleObject(started, INFINITE);
        CloseHandle(started);
        if (!ok) {
            h.thread.join();
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
}

bool installed() { return hook().handle != nullptr; }

LockedKeys keys() { return LockedKeys(hook().mutex, hook().keys); }

void sync() {
    // A message sent to the hook's thread is handled after the hook calls
    // the system sent it before.
    if (HWND w = hook().window) SendMessageW(w, WM_NULL, 0, 0);
}

HWND sessionWindow() { return hook().window; }

int reinstalls() { return hook().reinstalls; }

void watchForTest(bool on) { hook().watching = on; }

void removeForTest() {
    if (HWND w = hook().window) SendMessageW(w, kRemoveForTest, 0, 0);
}

}  // namespace win32::keyboard_hook
