#include "core/slots/slot_table.h"

#include <gtest/gtest.h>
#include <filesystem>

#include "core/diag/diag.h"
#include "core/settings/modINI.h"
#include "platform/fake/fake_hotkey_service.h"
#include "platform/fake/fake_keyboard.h"
#include "platform/fake/recording_injector.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace {

struct Table {
    explicit Table(const std::string& folder, const std::string& name = "set.ini", std::string limitedReach = {})
        : file(modINI::JoinPath(folder, name)), limitedReach(std::move(limitedReach)) {}
    const std::string& path() const { return file.path(); }
    void failSlot(int n) { view.chords.failingSlot = n; }

    app::SettingsFile file;
    std::string limitedReach;
    platform::FakeHotkeyService system;
    platform::RecordingInjector injector;
    RecordingView view{{.hotkeys = &system}};
    std::function<void()> duringHold;  // once, in the next hold, as the event loop would run it
    app::SlotTable table{
        view, {.injector = &injector, .hotkeys = &system, .limitedReach = limitedReach}, file, [this](int ms) {
            injector.events.push_back("hold " + std::to_string(ms));
            if (const auto once = std::exchange(duringHold, nullptr)) once();
        }};
};

std::string joined(const std::vector<std::string>& events) {
    std::string all;
    for (const std::string& e : events) all += (all.empty() ? "" : " ") + e;
    return all;
}

}  // namespace

TEST(SlotTable, LoadsEveryTargetInOrderAndPlaysItWhenItsTriggerFires) {
    TempDir dir;
    Table t(dir.path().string());
    ASSERT_TRUE(t.file.write("conftext", "3", "Ctrl + C"));
    ASSERT_TRUE(t.file.write("conftooltip", "3", "2|17|67"));
    t.table.load();
    ASSERT_EQ(t.view.log.size(), 10u);
    EXPECT_EQ(t.view.log[0], "show 0  ");
    EXPECT_EQ(t.view.log[3], "show 3 Ctrl + C 2|17|67");

    ASSERT_TRUE(t.view.makeLive(t.table, 4, mod::Mask::Alt, '4'));
    ASSERT_TRUE(t.view.makeLive(t.table, 5, mod::Mask::Alt, '5'));
    ASSERT_TRUE(t.system.press(mod::Mask::Alt, '4'));
    EXPECT_EQ(t.injector.events, (std::vector<std::string>{"+17", "+67", "hold 200", "-67", "-17"}));
    t.injector.events.clear();
    ASSERT_TRUE(t.system.press(mod::Mask::Alt, '5'));  // no target: plays the empty string, which plays nothing
    EXPECT_TRUE(t.injector.events.empty());
}

// A trigger pressed during a playback's hold waits its turn; a key repeat of
// the slot that plays is dropped, so that a held trigger does not pile up.
TEST(SlotTable, TriggersDuringAHoldWaitTheirTurnAndARepeatOfThePlayingOneIsDropped) {
    const struct {
        int slot;
        bool repeat;
        const char* played;
    } rows[] = {
        {1, true, "+17 +67 hold 200 -67 -17"},
        {1, false, "+17 +67 hold 200 -67 -17 +17 +67 hold 200 -67 -17"},
        {2, true, "+17 +67 hold 200 -67 -17 +18 +88 hold 200 -88 -18"},
    };
    const mod::Mask chords[] = {mod::Mask::Alt, mod::Mask::Control};
    for (const auto& [slot, repeat, played] : rows) {
        TempDir dir;
        Table t(dir.path().string());
        t.table.load();
        t.table.storeTarget(0, {"Ctrl + C", "2|17|67"});
        t.table.storeTarget(1, {"Alt + X", "2|18|88"});
        for (int n : {1, 2}) ASSERT_TRUE(t.view.makeLive(t.table, n, chords[n - 1], vk::F9));
        t.duringHold = [&, slot = slot, repeat = repeat] {
            EXPECT_TRUE(t.system.press(chords[slot - 1], vk::F9, repeat));
        };
        ASSERT_TRUE(t.system.press(mod::Mask::Alt, vk::F9));
        EXPECT_EQ(joined(t.injector.events), played) << slot << (repeat ? " repeat" : "");
    }
}

// The user lets go of slot 1's trigger during its hold and presses slot 2's:
// slot 2's target plays once slot 1's keys are up, each with exactly its own
// modifiers ("key/modifiers" as the application sees each press), and nothing
// is left down.
TEST(SlotTable, ASecondTriggerDuringAHoldPlaysAfterItWithItsOwnModifiers) {
    TempDir dir;
    platform::FakeHotkeyService system;
    platform::FakeKeyboard kb;
    std::vector<std::string> seen;
    kb.onInjected = [&] {
        const std::string& e = kb.events.back();
        if (e[0] != '+' || mod::Mask::of(std::stoi(e.substr(1)))) return;
        mod::Mask mods;
        for (const std::uint8_t side : vk::SidedModifiers)
            if (kb.logical[side]) mods |= mod::Mask::of(side);
        seen.push_back(e.substr(1) + "/" + std::to_string(mods.bits()));
    };
    RecordingView view{{.hotkeys = &system}};
    std::function<void()> duringHold;
    app::SlotTable table{
        view, {.injector = &kb, .hotkeys = &system, .keyboard = &kb}, app::SettingsFile(dir.file("set.ini")), [&](int) {
            if (const auto once = std::exchange(duringHold, nullptr)) once();
        }};
    table.load();
    table.storeTarget(0, {"Ctrl + C", "2|17|67"});
    table.storeTarget(1, {"Alt + X", "2|18|88"});
    ASSERT_TRUE(view.makeLive(table, 1, mod::Mask::Control | mod::Mask::Alt, 'A'));
    ASSERT_TRUE(view.makeLive(table, 2, mod::Mask::Shift, vk::F9));
    for (const std::uint8_t key : {vk::LControl, vk::LMenu, std::uint8_t('A')}) kb.userDown(key);
    duringHold = [&] {
        for (const std::uint8_t key : {std::uint8_t('A'), vk::LMenu, vk::LControl}) kb.userUp(key);
        kb.userDown(vk::LShift);
        kb.userDown(vk::F9);
        EXPECT_TRUE(system.press(mod::Mask::Shift, vk::F9));
        EXPECT_EQ(joined(seen), "67/2") << "slot 2 waits";
        kb.userUp(vk::F9);
        kb.userUp(vk::LShift);
    };
    ASSERT_TRUE(system.press(mod::Mask::Control | mod::Mask::Alt, 'A'));
    EXPECT_EQ(joined(seen), "67/2 88/1");
    EXPECT_TRUE(kb.logical.none()) << joined(kb.events);
}

TEST(SlotTable, ATickedBoxEndsAsTheControlIsAndARefusedChordIsShownGone) {
    TempDir dir;
    Table t(dir.path().string());
    t.table.checkClicked(1, true);  // no chord
    EXPECT_EQ(t.view.log, (std::vector<std::string>{"alert error: Not set hotkey", "chord 1 按下热键", "box 1 off"}));

    t.system.takeByOtherProgram(mod::Mask::Control, 'Q');
    t.view.control(2).keyDown('Q', hotkey::kCtrlBit);
    t.view.log.clear();
    t.table.checkClicked(2, true);
    EXPECT_EQ(t.view.log, (std::vector<std::string>{"alert error: Hotkey already exists, please change a hotkey.",
                                                    "chord 2 按下热键", "box 2 off"}));

    t.view.log.clear();
    t.view.control(3).keyDown('W', hotkey::kAltBit);
    t.table.checkClicked(3, true);
    EXPECT_EQ(t.view.log.back(), "box 3 on");
    t.table.checkClicked(3, false);
    EXPECT_EQ(t.view.log.back(), "box 3 off");
    EXPECT_FALSE(t.system.isTaken(mod::Mask::Alt, 'W'));
}

// A live trigger typed into a field that is capturing a chord is that field's
// chord, exactly as pressed: nothing plays into the field, and the chord, in
// another slot, is refused as taken. Its own field turns it off, as typing does.
TEST(SlotTable, ALiveTriggerTypedIntoAFieldIsRecordedThereAndNotPlayed) {
    TempDir dir;
    Table t(dir.path().string());
    t.table.load();
    t.table.storeTarget(0, {"Ctrl + C", "2|17|67"});
    const mod::Mask chord = mod::Mask::Control | mod::Mask::Alt | mod::Mask::Win;
    t.view.control(1).keyDown(vk::LWin, {});
    t.view.control(1).keyDown('J', hotkey::kCtrlBit | hotkey::kAltBit);
    t.table.checkClicked(1, true);
    const auto typeTrigger = [&](int into) {
        t.view.log.clear();
        if (into) t.view.control(into).focusGained();
        EXPECT_TRUE(t.system.press(chord, 'J'));
        if (into) t.view.control(into).focusLost();
        return t.view.log;
    };
    using Log = std::vector<std::string>;
    EXPECT_EQ(typeTrigger(2), (Log{"save 2", "chord 2 Win + Ctrl + Alt + J"}));
    EXPECT_EQ(t.view.control(2).capture().modKeyCode(), chord);
    t.view.log.clear();
    t.table.checkClicked(2, true);
    EXPECT_EQ(t.view.log.front(), "alert error: Hotkey already exists, please change a hotkey.");
    EXPECT_EQ(t.view.log.back(), "box 2 off");
    EXPECT_TRUE(t.injector.events.empty()) << "nothing played";

    EXPECT_EQ(typeTrigger(0), Log{});
    EXPECT_EQ(t.injector.events.front(), "+17") << "played where no field captures";
    EXPECT_EQ(typeTrigger(1), (Log{"chord 1 Win + Ctrl + Alt + J", "box 1 off"}));
}

// Whichever way a live chord goes off by itself, the box is cleared, as the
// control's state is, and only that slot's.
TEST(SlotTable, AChordThatGoesOffByItselfClearsOnlyItsOwnBox) {
    TempDir dir;
    Table t(dir.path().string());
    t.table.load();
    for (int n : {4, 5}) {
        t.view.control(n).keyDown('0' + n, hotkey::kAltBit);
        t.table.checkClicked(n, true);
        ASSERT_EQ(t.view.log.back(), "box " + std::to_string(n) + " on");
    }
    t.view.log.clear();
    t.view.control(4).keyDown('X', hotkey::kAltBit);  // retyped
    EXPECT_EQ(t.view.log, (std::vector<std::string>{"save 4", "chord 4 Alt + X", "box 4 off"}));

    // Taken away: the box alone; no message, and the chord is neither shown anew nor saved.
    t.view.log.clear();
    ASSERT_TRUE(t.system.takeAway(mod::Mask::Alt, '5', platform::Loss::Taken));
    EXPECT_EQ(t.view.log, (std::vector<std::string>{"box 5 off"}));
}

TEST(SlotTable, ASavedTargetGoesToTheFieldThenToTheFileAndAFailureIsReported) {
    TempDir dir;
    Table t(dir.path().string());
    t.table.storeTarget(5, {"Ctrl + Shift + S", "3|17|16|83"});
    EXPECT_EQ(t.view.log, (std::vector<std::string>{"show 5 Ctrl + Shift + S 3|17|16|83"}));
    EXPECT_EQ(t.file.read("conftext", "5", "-"), "Ctrl + Shift + S");
    EXPECT_EQ(t.file.read("conftooltip", "5", "-"), "3|17|16|83");
    EXPECT_EQ(t.table.target(5).action, "3|17|16|83") << "the next trigger plays it, no restart";

    // A folder in the way of the file: the write fails and the user is told.
    Table blocked(dir.path().string(), "folder");
    std::filesystem::create_directory(blocked.path());
    blocked.table.storeTarget(6, {"A", "1|65"});
    EXPECT_EQ(blocked.view.log, (std::vector<std::string>{"show 6 A 1|65", "alert 设置无法保存: 设置无法保存。"}));
}

TEST(SlotTable, ExitSavesEverySlotInOrderAndReportsOneFailureOnce) {
    TempDir dir;
    Table t(dir.path().string());
    t.failSlot(4);
    EXPECT_FALSE(t.table.end(app::SlotTable::Ending::Exit));
    std::vector<std::string> expected;
    for (int n = 1; n <= 10; ++n) expected.push_back("save " + std::to_string(n));
    expected.push_back("alert 设置无法保存: 设置无法保存。");
    expected.push_back("quit");
    EXPECT_EQ(t.view.log, expected);
}

// However the program ends, every chord is saved; only the user's exit may
// ask anyone anything, and only an end from outside that leaves the program
// running makes it end itself.
// With no window to show a message in, what the user must act on comes as a
// notice from the notification area, and every reason goes to the log.
TEST(SlotTable, AFailedSaveAtSessionEndAndALostChordAreNoticedAndLogged) {
    TempDir dir;
    Table t(dir.path().string());
    std::vector<diag::Cause> notices;
    std::vector<std::string> log;
    diag::ResetNotices();
    diag::SetNoticeSink([&](diag::Cause c) { notices.push_back(c); });
    diag::SetSink([&](std::string_view line) { log.emplace_back(line); });
    t.failSlot(7);
    t.view.control(5).keyDown('5', hotkey::kAltBit);
    t.table.checkClicked(5, true);

    EXPECT_FALSE(t.table.end(app::SlotTable::Ending::SessionEnd));
    ASSERT_TRUE(t.system.takeAway(mod::Mask::Alt, '5', platform::Loss::KeyGone));
    diag::SetNoticeSink(nullptr);
    diag::SetSink(nullptr);
    EXPECT_EQ(notices, (std::vector{diag::Cause::SaveFailed, diag::Cause::ChordLost}));
    EXPECT_EQ(log, (std::vector<std::string>{"the settings could not be saved: " + t.path() + ": disk full",
                                             "a chord was turned off, its key gone: the key left the layout"}));
}

// A desktop whose triggers reach only X11 windows: the user hears of it when
// the first trigger goes live, once, whatever is ticked later.
TEST(SlotTable, WhereTriggersReachSomeWindowsOnlyTheFirstLiveOneSaysSoOnce) {
    TempDir dir;
    Table t(dir.path().string(), "set.ini", "triggers reach X11 windows only");
    std::vector<std::string> heard;
    diag::ResetNotices();
    diag::SetNoticeSink([&](diag::Cause c) { heard.push_back("notice " + std::to_string(static_cast<int>(c))); });
    diag::SetSink([&](std::string_view line) { heard.emplace_back(line); });
    t.table.checkClicked(1, true);  // no chord: nothing goes live
    for (int n : {2, 3}) {
        t.view.control(n).keyDown('0' + n, hotkey::kAltBit);
        t.table.checkClicked(n, true);
        t.table.checkClicked(n, false);
        diag::ResetNotices();
    }
    diag::SetNoticeSink(nullptr);
    diag::SetSink(nullptr);
    EXPECT_EQ(heard,
              (std::vector<std::string>{"a trigger went live, but triggers reach X11 windows only",
                                        "notice " + std::to_string(static_cast<int>(diag::Cause::X11WindowsOnly))}));
}

TEST(SlotTable, EachEndingSavesEveryChordAndTellsAFailureToWhoeverIsThere) {
    using Ending = app::SlotTable::Ending;
    const struct {
        Ending how;
        bool quits;
    } endings[] = {{Ending::Asked, true}, {Ending::SessionEnd, false}, {Ending::DisplayLost, false}};
    for (const auto& [how, quits] : endings) {
        TempDir dir;
        Table t(dir.path().string());
        t.failSlot(7);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(t.table.end(how));
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(t.view.log.begin(), t.view.log.end(), "save 10"), 1);
        EXPECT_EQ(std::count_if(t.view.log.begin(), t.view.log.end(),
                                [](const std::string& l) { return l.starts_with("alert"); }),
                  0)
            << "no message box";
        EXPECT_EQ(t.view.log.back() == "quit", quits);
        EXPECT_NE(said.find("zorvane-change-hotkey: the settings could not be saved: " + t.path() + ": disk full\n"),
                  std::string::npos)
            << said;
        EXPECT_EQ(said.find("the chords are saved"), std::string::npos) << "they are not";
    }

    // The display gone and everything kept: the log says so; nothing else does.
    TempDir dir;
    Table t(dir.path().string());
    testing::internal::CaptureStderr();
    EXPECT_TRUE(t.table.end(Ending::DisplayLost));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "zorvane-change-hotkey: ending without a display; the chords are saved\n");
    testing::internal::CaptureStderr();
    EXPECT_TRUE(t.table.end(Ending::SessionEnd));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(SlotTable, AChordIsSavedAsSoonAsItChangesAndAFailureGoesWhereItIsAsked) {
    TempDir dir;
    Table t(dir.path().string());
    t.table.load();
    t.view.log.clear();
    t.failSlot(3);
    t.view.control(2).keyDown('Q', hotkey::kCtrlBit);
    t.view.control(3).keyDown('W', hotkey::kAltBit);
    EXPECT_EQ(t.view.log, (std::vector<std::string>{"save 2", "chord 2 Ctrl + Q", "save 3",
                                                    "alert 设置无法保存: 设置无法保存。", "chord 3 Alt + W"}));

    // Ended from outside, no one may be there to answer a message.
    t.view.log.clear();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(t.table.saveAllChords(app::SlotTable::Report::StandardError));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(t.view.log.back(), "save 10") << "no message box";
    EXPECT_NE(said.find("could not be saved"), std::string::npos) << said;
    EXPECT_NE(said.find("disk full"), std::string::npos) << said;
}

TEST(SlotTable, AtStartAFileThatCannotBeReadIsSaidSoOnceAndKeptAsItIs) {
    TempDir dir;
    Table t(dir.path().string());
    const std::string unreadable("\xFF\xFE[\0c\0o\0n\0f\0t\0e\0x\0t\0]\0\n", 23);  // UTF-16 cut off mid-character
    writeBytes(t.path(), unreadable);
    const std::string leftover = modINI::JoinPath(dir.path().string(), ".set.ini.saving-999999-abc123");
    writeBytes(leftover, "half a save");
    makeOld(leftover);
    t.table.load();
    t.table.reportUnreadableSettings();
    EXPECT_EQ(std::count_if(t.view.log.begin(), t.view.log.end(),
                            [](const std::string& l) { return l.starts_with("alert 设置无法读取"); }),
              1);
    EXPECT_FALSE(std::filesystem::exists(leftover)) << "what a killed save left is gone";

    t.view.log.clear();
    t.table.storeTarget(0, {"Ctrl + C", "2|17|67"});
    EXPECT_EQ(t.view.log.back(), "alert 设置无法保存: 设置无法保存。");
    EXPECT_EQ(readBytes(t.path()), unreadable);
}

// A window run as administrator came forward during the hold and dropped the
// releases: they go out as soon as another window comes forward, or at the
// program's end, so that no key stays down.
TEST(SlotTable, ReleasesAWindowDroppedGoOutWhenTheFocusMovesOrAtTheEnd) {
    struct ShieldedInjector : platform::RecordingInjector {
        bool shielded = false;
        Result reachesFocus() override { return shielded ? Result::failure("elevated") : Result::success(); }
        void keyUp(std::uint8_t vk) override {
            if (!shielded) RecordingInjector::keyUp(vk);
        }
    } injector;
    TempDir dir;
    platform::FakeHotkeyService system;
    RecordingView view{{.hotkeys = &system}};
    app::SlotTable table{
        view, {.injector = &injector, .hotkeys = &system}, app::SettingsFile(dir.file("set.ini")), [&](int) {
            injector.shielded = true;
        }};
    diag::SetSink([](std::string_view) {});
    table.load();
    table.storeTarget(0, {"Ctrl + C", "2|17|67"});
    ASSERT_TRUE(view.makeLive(table, 1, mod::Mask::Alt, 'Q'));
    for (const bool byFocus : {true, false}) {
        injector.events.clear();
        ASSERT_TRUE(system.press(mod::Mask::Alt, 'Q'));
        EXPECT_EQ(injector.events, (std::vector<std::string>{"+17", "+67"}));
        injector.shielded = false;
        if (byFocus)
            injector.onFocusChanged();
        else
            table.end(app::SlotTable::Ending::SessionEnd);
        EXPECT_EQ(injector.events, (std::vector<std::string>{"+17", "+67", "mask", "-67", "-17"})) << byFocus;
    }
    diag::SetSink(nullptr);
}
