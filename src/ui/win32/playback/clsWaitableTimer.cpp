// The hold on Windows: an unnamed waitable timer per wait (a wait nested in
// another has its own, and never cuts the outer one short), while the
// thread's messages are dispatched, so windows, hotkeys and the keyboard hook
// are served during a playback.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>

#include "core/playback/wait_length.h"
#include "ui/playback/clsWaitableTimer.h"

namespace {

using Clock = std::chrono::steady_clock;

// Dispatches every queued message. A WM_QUIT is the outer loop's to see: it
// is kept and posted again when the wait is over.
struct Pump {
    bool quit = false;
    int quitCode = 0;

    void run() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(msg.wParam);
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
};

// False when the system gives no timer; the caller then waits without one.
bool waitOnTimer(double ms, Pump& pump) {
    HANDLE timer = CreateWaitableTimerW(nullptr, TRUE, nullptr);
    if (!timer) return false;
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(std::ceil(ms * 10000.0));  // relative, in 100 ns
    if (!SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
        CloseHandle(timer);
        return false;
    }
    bool signalled = false;
    for (;;) {
        // Messages already queued count too (MWMO_INPUTAVAILABLE), not only new ones.
        pump.run();
        const DWORD r = MsgWaitForMultipleObjectsEx(1, &timer, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (r == WAIT_OBJECT_0) signalled = true;
        if (r != WAIT_OBJECT_0 + 1) break;
    }
    CloseHandle(timer);
    return signalled;
}

void waitPumping(Clock::time_point deadline, Pump& pump) {
    for (;;) {
        pump.run();
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::min<long long>(left, 0x7FFFFFFF)), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
}

}  // namespace

void clsWaitableTimer::Wait(double MilliSeconds) {
    const double ms = keyfunc::CheckedWaitMs(MilliSeconds);
    const auto deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(ms));

    Pump pump;
    if (!waitOnTimer(ms, pump)) waitPumping(deadline, pump);

    // The timer's clock and this one may differ by a fraction of a millisecond.
    const auto left = deadline - Clock::now();
    if (left > Clock::duration::zero()) std::this_thread::sleep_for(left);
    if (pump.quit) PostQuitMessage(pump.quitCode);
}
