// The hold on Windows: never shorter than asked, nested waits each their own
// length, messages handled meanwhile, invalid lengths refused.

#include <windows.h>
#include <gtest/gtest.h>
#include <cmath>
#include <limits>
#include <thread>

#include "core/playback/program_error.h"
#include "support/pump.h"
#include "ui/playback/clsWaitableTimer.h"

using wintest::NowMs;

namespace {

constexpr UINT kNestedWait = WM_APP + 10;
constexpr UINT kNote = WM_APP + 11;

// A window that, asked to, waits inside its own message handler, and notes when messages came.
struct Window {
    HWND hwnd = nullptr;
    double innerMs = 0, innerStart = -1, innerEnd = -1, notedAt = -1;

    Window() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ZorvaneWaitTest";
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, this);
    }
    ~Window() { DestroyWindow(hwnd); }

    static LRESULT CALLBACK procedure(HWND h, UINT msg, WPARAM w, LPARAM l) {
        if (msg == WM_NCCREATE)
            SetWindowLongPtrW(h, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams));
        auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (self && msg == kNestedWait) {
            self->innerStart = NowMs();
            clsWaitableTimer().Wait(self->innerMs);
            self->innerEnd = NowMs();
            return 0;
        }
        if (self && msg == kNote) {
            self->notedAt = NowMs();
            return 0;
        }
        return DefWindowProcW(h, msg, w, l);
    }
};

double timedWait(double ms) {
    const double start = NowMs();
    clsWaitableTimer().Wait(ms);
    return NowMs() - start;
}

}  // namespace

TEST(Win32Wait, NestedWaitsEachLastTheirOwnTime) {
    Window w;
    // An inner wait shorter than the outer, then one that outlasts it.
    for (double inner : {40.0, 150.0}) {
        w.innerMs = inner;
        PostMessageW(w.hwnd, kNestedWait, 0, 0);
        const double outer = timedWait(100);
        ASSERT_GE(w.innerEnd, 0) << "the nested wait ran during the outer one";
        EXPECT_GE(w.innerEnd - w.innerStart, inner);
        EXPECT_GE(outer, 100.0) << "the nested wait cut the outer one short";
        if (inner > 100) {
            EXPECT_GE(outer, inner) << "the outer wait returns only after the nested one";
        }
    }
}

TEST(Win32Wait, MessagesAreHandledDuringTheWait) {
    Window w;
    PostMessageW(w.hwnd, kNote, 0, 0);  // already queued when the wait begins
    const double start = NowMs();
    clsWaitableTimer().Wait(60);
    EXPECT_GE(w.notedAt, start);

    w.notedAt = -1;
    std::thread poster([hwnd = w.hwnd] {
        Sleep(20);
        PostMessageW(hwnd, kNote, 0, 0);
    });
    const double begin = NowMs();
    clsWaitableTimer().Wait(100);
    const double end = NowMs();
    poster.join();
    EXPECT_GT(w.notedAt, begin + 15);
    EXPECT_LT(w.notedAt, end - 50) << "handled when it came, not when the wait ended";
}

TEST(Win32Wait, AQuitRequestDuringTheWaitIsLeftForTheOuterLoop) {
    PostQuitMessage(7);
    clsWaitableTimer().Wait(10);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST(Win32Wait, InvalidLengthsAreRefused) {
    for (double bad :
         {std::nan(""), -1.0, -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()}) {
        try {
            clsWaitableTimer().Wait(bad);
            ADD_FAILURE() << "no error for " << bad;
        } catch (const ProgramError& e) {
            EXPECT_EQ(e.description().rfind("[clsWaitableTimer.Wait]", 0), 0u) << e.description();
            EXPECT_EQ(e.number(), 5);
        }
    }
}
