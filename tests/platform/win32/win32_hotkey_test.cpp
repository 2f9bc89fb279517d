// Hotkey endpoints: the system refuses a chord that anyone holds, a hotkey
// reaches the endpoint that registered it, and the dialog procedure behind
// the dispatch procedure answers everything else.

#include <gtest/gtest.h>
#include <array>

#include "platform/win32/own_keys.h"
#include "platform/win32/win32_hotkey_endpoint.h"
#include "support/child_process.h"
#include "support/key_log.h"
#include "support/pump.h"

using mod::Mask;
using win32::Win32HotkeyEndpoint;
using namespace wintest;

namespace {

constexpr DWORD kHotkeyAlreadyRegistered = 1409;

std::unique_ptr<Win32HotkeyEndpoint> endpoint() { return Win32HotkeyEndpoint::create(); }

// Another program holding a chord while it lives; one that keeps trying
// takes it the moment it is free.
class ChordHolder {
public:
    ChordHolder(Mask mods, int vk, bool keepTrying = false)
        : ready_(CreateEventW(nullptr, TRUE, FALSE, EventName(L"holder-ready").c_str())),
          quit_(CreateEventW(nullptr, TRUE, FALSE, EventName(L"holder-quit").c_str())) {
        ResetEvent(quit_);
        helper_.start(L"win32_chord_holder", std::to_wstring(mods.bits()) + L" " + std::to_wstring(vk) + L" " +
                                                 EventName(L"holder-ready") + L" " + EventName(L"holder-quit") +
                                                 (keepTrying ? L" keep-trying" : L""));
    }
    bool holds() {
        return PumpUntil([this] { return WaitForSingleObject(ready_, 0) == WAIT_OBJECT_0 || !helper_.running(); },
                         10000) &&
               WaitForSingleObject(ready_, 0) == WAIT_OBJECT_0;
    }
    bool end() {
        SetEvent(quit_);
        return helper_.waitPumping(10000) && helper_.exitCode() == 0;
    }
    ~ChordHolder() {
        CloseHandle(ready_);
        CloseHandle(quit_);
    }

private:
    HANDLE ready_, quit_;
    ChildProcess helper_;
};

}  // namespace

TEST(Win32Hotkey, AChordHeldByAnotherProgramIsRefusedUntilItLetsGo) {
    ChordHolder other(Mask::Control | Mask::Alt, vk::F7);
    ASSERT_TRUE(other.holds());
    auto e = endpoint();
    ASSERT_TRUE(e);
    SetLastError(0);
    EXPECT_FALSE(e->registerChord(Mask::Control | Mask::Alt, vk::F7));
    EXPECT_EQ(GetLastError(), kHotkeyAlreadyRegistered);
    EXPECT_TRUE(e->registerChord(Mask::Control | Mask::Alt | Mask::Shift, vk::F7))
        << "another chord of the same key is free";
    ASSERT_TRUE(other.end());
    EXPECT_TRUE(e->registerChord(Mask::Control | Mask::Alt, vk::F7));
}

TEST(Win32Hotkey, OfTwoEndpointsWithOneChordTheSecondIsRefused) {
    auto first = endpoint(), second = endpoint();
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(first->registerChord(Mask::Win, 'Z'));
    SetLastError(0);
    EXPECT_FALSE(second->registerChord(Mask::Win, 'Z'));
    EXPECT_EQ(GetLastError(), kHotkeyAlreadyRegistered);
    first->unregisterChord();
    EXPECT_TRUE(second->registerChord(Mask::Win, 'Z'));
    EXPECT_FALSE(first->registerChord(Mask::Win, 'Z'));
    second.reset();  // ending an endpoint releases its chord
    EXPECT_TRUE(first->registerChord(Mask::Win, 'Z'));
}

TEST(Win32Hotkey, EachOfTenEndpointsGetsItsOwnHotkeyAndItsRepeats) {
    std::array<std::unique_ptr<Win32HotkeyEndpoint>, 10> endpoints;
    std::array<int, 10> presses{};
    for (int i = 0; i < 10; ++i) {
        endpoints[i] = endpoint();
        ASSERT_TRUE(endpoints[i]);
        endpoints[i]->onPressed = [&presses, i](bool) { ++presses[i]; };
        ASSERT_TRUE(endpoints[i]->registerChord(Mask::Control | Mask::Alt, vk::F1 + i)) << "Ctrl+Alt+F" << i + 1;
    }

    PostMessageW(endpoints[3]->window(), WM_HOTKEY, Win32HotkeyEndpoint::kChordId,
                 MAKELPARAM(MOD_CONTROL | MOD_ALT, VK_F4));
    PumpFor(50);
    EXPECT_EQ(presses, (std::array<int, 10>{0, 0, 0, 1, 0, 0, 0, 0, 0, 0}));

    // Another program types Ctrl+Alt+F7, F7 repeating once.
    ChildProcess sender;
    ASSERT_TRUE(sender.start(L"win32_key_sender", L"+17 +18 +118 +118 -118 -18 -17"));
    ASSERT_TRUE(sender.waitPumping(10000));
    ASSERT_EQ(sender.exitCode(), 0u);
    PumpUntil([&] { return presses[6] >= 2; }, 2000);
    PumpFor(50);
    EXPECT_EQ(presses, (std::array<int, 10>{0, 0, 0, 1, 0, 0, 2, 0, 0, 0}));

    endpoints[6]->unregisterChord();
    PostMessageW(endpoints[6]->window(), WM_HOTKEY, Win32HotkeyEndpoint::kChordId, 0);
    PumpFor(50);
    EXPECT_EQ(presses[6], 2) << "a hotkey still queued when its chord was let go of is no press";
}

TEST(Win32Hotkey, EveryOtherMessageGetsTheDialogProceduresAnswer) {
    auto e = endpoint();
    ASSERT_TRUE(e);
    HWND twin = CreateWindowExW(0, L"#32770", L"", 0, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(twin);
    const HWND mine = e->window();

    EXPECT_EQ(GetPropW(mine, L"Object"), static_cast<HANDLE>(e.get()));
    EXPECT_EQ(GetPropW(mine, L"WinProc"), reinterpret_cast<HANDLE>(GetWindowLongPtrW(twin, GWLP_WNDPROC)))
        << "the kept procedure is the dialog class's";
    EXPECT_NE(GetWindowLongPtrW(mine, GWLP_WNDPROC), GetWindowLongPtrW(twin, GWLP_WNDPROC));

    for (HWND w : {mine, twin}) {
        SendMessageW(w, DM_SETDEFID, 42, 0);
        SendMessageW(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"热键 window"));
    }
    wchar_t a[32] = {}, b[32] = {};
    EXPECT_EQ(SendMessageW(mine, WM_GETTEXT, 32, reinterpret_cast<LPARAM>(a)),
              SendMessageW(twin, WM_GETTEXT, 32, reinterpret_cast<LPARAM>(b)));
    EXPECT_STREQ(a, L"热键 window");
    EXPECT_EQ(SendMessageW(mine, DM_GETDEFID, 0, 0), MAKELRESULT(42, DC_HASDEFID));
    for (UINT msg : {UINT(WM_GETDLGCODE), UINT(WM_NCHITTEST), UINT(WM_QUERYOPEN), UINT(WM_GETTEXTLENGTH)})
        EXPECT_EQ(SendMessageW(mine, msg, 0, 0), SendMessageW(twin, msg, 0, 0)) << "message 0x" << std::hex << msg;
    DestroyWindow(twin);
}

namespace {

// What the endpoint's window looked like as it was destroyed.
struct AtDestroy {
    HWND watched = nullptr;
    bool seen = false;
    HANDLE object = nullptr, procedure = nullptr;
    LONG_PTR wndProc = 0;
};
AtDestroy atDestroy;

LRESULT CALLBACK watchDestroy(int code, WPARAM wParam, LPARAM lParam) {
    const auto* c = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && c->hwnd == atDestroy.watched && c->message == WM_DESTROY) {
        atDestroy.seen = true;
        atDestroy.object = GetPropW(c->hwnd, L"Object");
        atDestroy.procedure = GetPropW(c->hwnd, L"WinProc");
        atDestroy.wndProc = GetWindowLongPtrW(c->hwnd, GWLP_WNDPROC);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

TEST(Win32Hotkey, DestructionUnhooksBeforeTheWindowGoes) {
    auto e = endpoint();
    ASSERT_TRUE(e);
    ASSERT_TRUE(e->registerChord(Mask::Shift | Mask::Win, 'K'));
    const HWND hwnd = e->window();
    const auto kept = reinterpret_cast<LONG_PTR>(GetPropW(hwnd, L"WinProc"));
    atDestroy = {hwnd};
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, watchDestroy, nullptr, GetCurrentThreadId());
    ASSERT_TRUE(hook);
    e.reset();
    UnhookWindowsHookEx(hook);

    ASSERT_TRUE(atDestroy.seen);
    EXPECT_EQ(atDestroy.object, nullptr);
    EXPECT_EQ(atDestroy.procedure, nullptr);
    EXPECT_EQ(atDestroy.wndProc, kept) << "the dialog procedure is back";
    EXPECT_FALSE(IsWindow(hwnd));
    auto other = endpoint();
    ASSERT_TRUE(other);
    EXPECT_TRUE(other->registerChord(Mask::Shift | Mask::Win, 'K')) << "the chord went with the endpoint";
}

TEST(Win32Hotkey, TheChordCountsOverTheModifiersAPlaybackHolds) {
    auto ownKeys = std::make_shared<win32::OwnKeys>();
    win32::Win32HotkeyService service(ownKeys);
    auto e = service.createEndpoint();
    ASSERT_TRUE(e);
    int presses = 0;
    e->onPressed = [&presses](bool) { ++presses; };
    ASSERT_TRUE(e->registerChord(Mask::Alt, 'X'));
    auto typeCtrlAltX = [] {
        ChildProcess sender;  // Ctrl as a playback holds it, Alt+X as the user presses it
        return sender.start(L"win32_key_sender", L"+17 +18 +88 -88 -18 -17") && sender.waitPumping(10000) &&
               sender.exitCode() == 0;
    };

    service.setHeldModifiers(Mask::Control, Mask{});
    ASSERT_TRUE(typeCtrlAltX());
    PumpUntil([&] { return presses > 0; }, 1000);
    EXPECT_EQ(presses, 1);

    service.setHeldModifiers(Mask{}, Mask{});  // the playback is over: Ctrl+Alt+X is another chord again
    ASSERT_TRUE(typeCtrlAltX());
    PumpFor(100);
    EXPECT_EQ(presses, 1);

    // A chord registered while a playback holds Ctrl counts over it from the start.
    service.setHeldModifiers(Mask::Control, Mask{});
    ASSERT_TRUE(e->registerChord(Mask::Alt, 'X'));
    ASSERT_TRUE(typeCtrlAltX());
    PumpUntil([&] { return presses > 1; }, 1000);
    EXPECT_EQ(presses, 2);
    service.setHeldModifiers(Mask{}, Mask{});
}

TEST(Win32Hotkey, ATakenChordIsToldApartFromARefusalForAnotherReason) {
    auto first = endpoint(), second = endpoint();
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(first->registerChord(Mask::Control, vk::F9));
    EXPECT_EQ(second->registerChord(Mask::Control, vk::F9).outcome(), platform::Claim::Taken);
    const platform::Claim noSuchModifier = second->registerChord(Mask(Mask::Win.bits() << 1), 'A');  // a bit past Win
    EXPECT_EQ(noSuchModifier.outcome(), platform::Claim::Refused);
    EXPECT_FALSE(noSuchModifier.why().empty());
    const platform::Claim noKey = second->registerChord(Mask{}, 0);
    EXPECT_EQ(noKey.outcome(), platform::Claim::Refused);
    EXPECT_FALSE(noKey.why().empty());
}

// The chord on a key of the program's target is let go of while the target
// goes out; another program asking for it all along takes it then (here the
// send waits for that, so that the race is always lost): lost as taken.
TEST(Win32Hotkey, AChordAnotherProgramTakesWhileTheProgramTypesIsLostAsTaken) {
    auto ownKeys = std::make_shared<win32::OwnKeys>();
    win32::Win32HotkeyService service(ownKeys);
    auto e = service.createEndpoint();
    ASSERT_TRUE(e && e->registerChord(Mask::Control, 'J'));
    std::vector<platform::Loss> lost;
    e->onLost = [&lost](platform::Loss reason, const std::string&) { lost.push_back(reason); };
    ChordHolder other(Mask::Control, 'J', true);
    ownKeys->send({'J'}, [&other] { EXPECT_TRUE(other.holds()); });
    PumpUntil([&lost] { return !lost.empty(); }, 5000);
    EXPECT_EQ(lost, std::vector{platform::Loss::Taken});
    EXPECT_TRUE(other.end());
}
