// Exact delivery under Wine with the user's keyboard (xdotool on the X
// display): the focused window receives exactly the target shortcut, never
// the trigger's own key with other modifiers, and no key is left down. The
// program's path is the program's slot table, over a recording view.

#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>

#include "core/slots/slot_table.h"
#include "platform/services.h"
#include "support/key_log.h"
#include "support/pump.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"
#include "support/unix_command.h"
#include "ui/playback/clsWaitableTimer.h"

using mod::Mask;
using namespace wintest;

namespace {

// The sided keys of a chord's modifiers, as the user holds them.
platform::KeySet sidedModifiers(Mask mods) {
    platform::KeySet keys;
    if (mods & Mask::Alt) keys.set(vk::LMenu);
    if (mods & Mask::Control) keys.set(vk::LControl);
    if (mods & Mask::Shift) keys.set(vk::LShift);
    if (mods & Mask::Win) keys.set(vk::LWin);
    return keys;
}

std::vector<int> keysLeftDown() {
    std::vector<int> down;
    for (int vk = vk::Back; vk < 256; ++vk)
        if (GetAsyncKeyState(vk) & 0x8000) down.push_back(vk);
    return down;
}

// A window of a program that is not Wine's (xmessage), while it lives.
class NativeWindow {
public:
    explicit NativeWindow(const std::wstring& title)
        : pid_(RunUnix(L"/usr/bin/xmessage -title '" + title + L"' away </dev/null >/dev/null 2>&1 & echo $!")
                   .value_or("")),
          search_(L"search --sync --onlyvisible --name '^" + title + L"$' ") {
        pid_.erase(pid_.find_last_not_of(" \n") + 1);
    }
    ~NativeWindow() {
        if (!pid_.empty()) RunUnix(L"kill " + std::wstring(pid_.begin(), pid_.end()));
    }
    // Gives it the X focus through the window manager, as a click would, once it is shown.
    bool activate() { return !pid_.empty() && Xdotool(search_ + L"windowactivate --sync"); }

private:
    std::string pid_;
    std::wstring search_;
};

class Win32Delivery : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(services.injector && services.hotkeys && services.keyboard);
        table.load();
        // The program's other slots, idle: each playback tells all ten endpoints.
        for (int i = 0; i < 9; ++i) ASSERT_TRUE(configure(Mask::Control | Mask::Alt | Mask::Shift, vk::F1 + i, "1|65"));
        focusListener();
    }

    void focusListener(const std::wstring& how = L"windowfocus") {
        // Only once it is mapped: the X server refuses the focus to a window that is not.
        ASSERT_TRUE(Xdotool(L"search --sync --onlyvisible --name '^" + title + L"$' " + how + L" --sync"));
        ASSERT_TRUE(PumpUntil(
            [this] { return GetForegroundWindow() == listener.hwnd() && GetFocus() == listener.hwnd(); }, 5000))
            << "the listener never had the focus";
        PumpFor(100);
        listener.clear();
    }

    void TearDown() override {
        // Whatever a failure left behind, the next test starts with every key up.
        Xdotool(L"keyup ctrl keyup alt keyup shift keyup super");
        PumpFor(50);
    }

    // The next slot: its target, and its trigger made live.
    bool configure(Mask mods, std::uint8_t key, const std::string& action) {
        const int n = ++slotsUsed;
        if (n > app::SlotTable::kSlots) return false;
        table.storeTarget(n - 1, {action, action});
        view.control(n).onHotKeyPressed = [this] {
            pressedAt.push_back(NowMs());
            physicalAtPress.push_back(services.keyboard->physicalDown());
        };
        return view.makeLive(table, n, mods, key);
    }
    // The last slot given a trigger lets go of it.
    void freeLastSlot() { table.checkClicked(slotsUsed--, false); }
    bool playing() const { return table.playingSlot() != 0; }

    // The user types; then every playback ends and every key event is handled.
    void type(const std::wstring& xdotoolArguments) {
        ASSERT_TRUE(Xdotool(xdotoolArguments, 20000));
        ASSERT_TRUE(PumpUntil([this] { return !playing(); }, 5000)) << "a playback never ended";
        PumpFor(150);
    }

    // The listener got the target key only with the target's modifiers, `times` times or (0) at least once.
    void expectTarget(Mask mods, std::uint8_t key, int times) {
        int presses = 0;
        for (const auto& m : listener.messages()) {
            if (m.kind != 'D' || m.code != key) continue;
            ++presses;
            EXPECT_EQ(m.mods, mods) << "the target key arrived with other modifiers\n" << Describe(listener.messages());
            EXPECT_FALSE(m.sys) << Describe(listener.messages());
        }
        if (times) {
            EXPECT_EQ(presses, times) << Describe(listener.messages());
        } else {
            EXPECT_GE(presses, 1) << Describe(listener.messages());
        }
    }

    void expectTriggerKeyNeverArrives(std::uint8_t key) {
        const auto& log = listener.messages();
        const bool arrived =
            std::any_of(log.begin(), log.end(), [key](const KeyMessage& m) { return m.kind == 'D' && m.code == key; });
        EXPECT_FALSE(arrived) << "the trigger key reached the application\n" << Describe(log);
    }

    // Alt and the Windows key were never tapped alone: each of their releases
    // follows some other key event after their press.
    void expectNoLoneModifierTap() {
        const auto& log = listener.messages();
        for (std::size_t i = 1; i < log.size(); ++i) {
            if (log[i].kind != 'U' || !(log[i].code == VK_MENU || log[i].code == VK_LWIN)) continue;
            std::size_t j = i;
            while (j > 0 && log[j - 1].kind == 'C') --j;
            EXPECT_FALSE(j > 0 && log[j - 1].kind == 'D' && log[j - 1].code == log[i].code)
                << "a lone tap of key " << log[i].code << "\n"
                << Describe(log);
        }
    }

    void expectNothingDown() {
        EXPECT_EQ(keysLeftDown(), std::vector<int>{});
        EXPECT_FALSE(services.keyboard->physicalDown().any());
    }

    // The hook saw the user's chord as the user's: not flagged as injected.
    void expectThePressCameFromTheKeyboard(Mask mods, std::uint8_t key) {
        ASSERT_FALSE(physicalAtPress.empty()) << "the trigger never fired\n" << Describe(listener.messages());
        platform::KeySet expected = sidedModifiers(mods);
        expected.set(key);
        EXPECT_EQ(physicalAtPress.front(), expected);
    }

    // From the hotkey to the target key's arrival, for each press.
    void reportLatency(std::uint8_t key) {
        std::vector<double> arrivals;
        for (const auto& m : listener.messages())
            if (m.kind == 'D' && m.code == key) arrivals.push_back(m.ms);
        if (arrivals.empty() || pressedAt.empty()) return;
        std::printf("hotkey to target key at the window: %.3f ms\n", arrivals.front() - pressedAt.front());
    }

    std::wstring title = L"zorvane-delivery-" + std::to_wstring(GetCurrentProcessId());
    KeyLogWindow listener{title};
    platform::OwnedServices services = platform::CreateServices();
    TempDir folder;  // the settings file's
    RecordingView view{services.services()};
    app::SlotTable table{view, services.services(), app::SettingsFile(folder.file("set.ini")),
                         [](int ms) { clsWaitableTimer().Wait(ms); }};
    int slotsUsed = 0;
    std::vector<double> pressedAt;
    std::vector<platform::KeySet> physicalAtPress;
};

}  // namespace

TEST_F(Win32Delivery, AltCToCtrlC) {
    ASSERT_TRUE(configure(Mask::Alt, 'C', "2|17|67"));
    type(L"keydown alt sleep 0.03 keydown c sleep 0.05 keyup c sleep 0.02 keyup alt");
    expectThePressCameFromTheKeyboard(Mask::Alt, 'C');
    expectTarget(Mask::Control, 'C', 1);
    expectNoLoneModifierTap();
    expectNothingDown();
    reportLatency('C');
}

TEST_F(Win32Delivery, WinZToCtrlZTheTriggersOwnKey) {
    ASSERT_TRUE(configure(Mask::Win, 'Z', "2|17|90"));
    type(L"keydown super sleep 0.03 keydown z sleep 0.05 keyup z sleep 0.02 keyup super");
    expectThePressCameFromTheKeyboard(Mask::Win, 'Z');
    expectTarget(Mask::Control, 'Z', 1);
    expectNoLoneModifierTap();
    expectNothingDown();
}

TEST_F(Win32Delivery, CtrlAltAToCtrlC) {
    ASSERT_TRUE(configure(Mask::Control | Mask::Alt, 'A', "2|17|67"));
    type(
        L"keydown ctrl sleep 0.02 keydown alt sleep 0.03 keydown a sleep 0.05 keyup a sleep 0.02 keyup alt "
        L"sleep 0.02 keyup ctrl");
    expectThePressCameFromTheKeyboard(Mask::Control | Mask::Alt, 'A');
    expectTarget(Mask::Control, 'C', 1);
    expectTriggerKeyNeverArrives('A');
    expectNoLoneModifierTap();
    expectNothingDown();
}

TEST_F(Win32Delivery, CtrlShiftVToCtrlV) {
    ASSERT_TRUE(configure(Mask::Control | Mask::Shift, 'V', "2|17|86"));
    type(
        L"keydown ctrl sleep 0.02 keydown shift sleep 0.03 keydown v sleep 0.05 keyup v sleep 0.02 keyup shift "
        L"sleep 0.02 keyup ctrl");
    expectThePressCameFromTheKeyboard(Mask::Control | Mask::Shift, 'V');
    expectTarget(Mask::Control, 'V', 1);
    expectNothingDown();
}

TEST_F(Win32Delivery, TheUserHoldsTheChordLongerThanThePlayback) {
    // Ctrl and Alt come back down for the application while the user holds them.
    ASSERT_TRUE(configure(Mask::Control | Mask::Alt, 'A', "2|17|67"));
    ASSERT_TRUE(Xdotool(L"keydown ctrl sleep 0.02 keydown alt sleep 0.03 keydown a sleep 0.05 keyup a"));
    ASSERT_TRUE(PumpUntil([this] { return !pressedAt.empty() && !playing(); }, 5000));
    PumpFor(100);
    EXPECT_EQ(keysLeftDown(), (std::vector<int>{VK_CONTROL, VK_MENU, VK_LCONTROL, VK_LMENU}))
        << "logically down as the user holds them";
    type(L"keyup alt sleep 0.02 keyup ctrl");
    expectTarget(Mask::Control, 'C', 1);
    expectTriggerKeyNeverArrives('A');
    expectNoLoneModifierTap();
    expectNothingDown();
}

TEST_F(Win32Delivery, AHeldTriggerRepeatsOnlyAsItsTarget) {
    // The key repeats (Xvfb: after 660 ms, 25 a second): each repeat the hook
    // takes is a press of the chord, and plays the target once more.
    ASSERT_TRUE(configure(Mask::Control | Mask::Alt, 'A', "2|17|67"));
    type(
        L"keydown ctrl sleep 0.02 keydown alt sleep 0.03 keydown a sleep 1.5 keyup a sleep 0.02 keyup alt "
        L"sleep 0.02 keyup ctrl");
    expectThePressCameFromTheKeyboard(Mask::Control | Mask::Alt, 'A');
    EXPECT_GT(pressedAt.size(), 1u) << "the held chord's repeats are presses";
    expectTarget(Mask::Control, 'C', 0);
    expectTriggerKeyNeverArrives('A');
    expectNoLoneModifierTap();
    expectNothingDown();
}

// Ctrl+Shift+T plays Ctrl+Win+M and lets go of the user's Shift meanwhile;
// the user, still holding Ctrl+Shift, adds Alt and presses W, another slot's
// chord, which the system then sees without its Shift.
TEST_F(Win32Delivery, AChordPressedWhileAPlaybackHasLetGoOfItsModifiersStillFires) {
    freeLastSlot();  // two of the ten slots: one idle slot gives way
    ASSERT_TRUE(configure(Mask::Control | Mask::Shift, 'T', "3|17|91|77"));
    ASSERT_TRUE(configure(Mask::Control | Mask::Alt | Mask::Shift, 'W', "3|16|91|70"));
    // W comes about 100 ms into the first playback, which holds Ctrl+Win+M
    // for 200 ms after letting go of Shift.
    type(
        L"keydown ctrl sleep 0.02 keydown shift sleep 0.02 keydown t sleep 0.03 keyup t sleep 0.05 keydown alt "
        L"sleep 0.02 keydown w sleep 0.03 keyup w sleep 0.3 keyup alt sleep 0.02 keyup shift sleep 0.02 keyup ctrl");
    ASSERT_EQ(pressedAt.size(), 2u) << Describe(listener.messages());
    expectTarget(Mask::Control | Mask::Win, 'M', 1);
    expectTarget(Mask::Shift | Mask::Win, 'F', 1);
    expectTriggerKeyNeverArrives('W');
    expectNothingDown();
}

// The lock screen's case, as Wine can make it: Win goes down while a Wine
// window has the X focus and comes up while a window of another program has
// it. Wine never hears of the release; back in focus, it takes the keys down
// from the X server (KeymapNotify) without passing them through the hook.
TEST_F(Win32Delivery, AReleaseTheHookNeverSawLeavesNoKeyDownAfterATrigger) {
    ASSERT_TRUE(configure(Mask::Control | Mask::Alt, 'A', "2|17|67"));
    NativeWindow away(title + L"-away");
    auto leave = [&] {
        ASSERT_TRUE(away.activate());
        ASSERT_TRUE(PumpUntil([this] { return GetForegroundWindow() != listener.hwnd(); }, 5000));
    };
    // The window manager may give the new window the focus: it is taken from
    // it first, and given back the same way.
    leave();
    focusListener(L"windowactivate");

    ASSERT_TRUE(Xdotool(L"keydown super"));
    ASSERT_TRUE(PumpUntil([this] { return services.keyboard->physicalDown().test(VK_LWIN); }, 5000));
    leave();
    // One connection: the release reaches the other window before the focus comes back.
    ASSERT_TRUE(Xdotool(L"keyup super search --sync --name '^" + title + L"$' windowactivate --sync"));
    ASSERT_TRUE(PumpUntil(
        [this] {
            return GetForegroundWindow() == listener.hwnd() && GetFocus() == listener.hwnd() &&
                   !(GetAsyncKeyState(VK_LWIN) & 0x8000);
        },
        5000))
        << "Wine never took Win as up";
    ASSERT_TRUE(services.keyboard->physicalDown().test(VK_LWIN)) << "the hook saw the release: nothing is stale";
    listener.clear();

    type(
        L"keydown ctrl sleep 0.02 keydown alt sleep 0.03 keydown a sleep 0.05 keyup a sleep 0.02 keyup alt "
        L"sleep 0.02 keyup ctrl");
    expectTarget(Mask::Control, 'C', 1);
    expectNothingDown();
}
