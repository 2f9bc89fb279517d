#include "support/pump.h"

#include <windows.h>

namespace wintest {

double NowMs() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / frequency;
}

namespace {

void dispatchQueued() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const double end = NowMs() + timeoutMs;
    for (;;) {
        dispatchQueued();
        if (done()) return true;
        const double left = end - NowMs();
        if (left <= 0) return false;
        MsgWaitForMultipleObjectsEx(0, nullptr, left < 5 ? static_cast<DWORD>(left) + 1 : 5, QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
}

void PumpFor(int ms) {
    PumpUntil([] { return false; }, ms);
}

}  // namespace wintest
