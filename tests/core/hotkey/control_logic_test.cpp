#include "core/hotkey/control_logic.h"

#include <gtest/gtest.h>
#include <map>
#include <optional>

#include "core/diag/diag.h"
#include "platform/fake/fake_hotkey_service.h"

using hotkey::ControlLogic;
using hotkey::ShiftState;
using mod::Mask;
using Endpoint = platform::FakeHotkeyService::Endpoint;

namespace {

// A control connected as a main window connects it, its field and host recorded.
struct Control {
    explicit Control(platform::FakeHotkeyService& s, hotkey::ChordStore* store = nullptr)
        : logic([this](const std::string& title, const std::string& text) { messages.push_back(title + ": " + text); },
                {.hotkeys = &s}) {
        logic.connect(store, "Zorvane1");
        endpoint = s.lastEndpoint;
        logic.onHotKeyPressed = [this] { ++pressed; };
        logic.onShow = [this] { shown.push_back(logic.capture().text()); };
        logic.onTurnedOff = [this] { ++turnedOff; };
    }
    void type(int vk, ShiftState shift) { logic.keyDown(vk, shift); }

    ControlLogic logic;
    Endpoint* endpoint = nullptr;
    std::vector<std::string> messages;
    std::vector<std::string> shown;  // the field's text each time it was told to show it
    int pressed = 0;
    int turnedOff = 0;
};

struct MemoryStore : hotkey::ChordStore {
    std::vector<std::string> log;
    std::map<std::string, std::string> values;
    std::string failOn;
    std::string read(const std::string& key, const std::string& fallback) override {
        log.push_back("read " + key);
        const auto it = values.find(key);
        return it == values.end() ? fallback : it->second;
    }
    Result write(const std::string& key, const std::string& value) override {
        log.push_back("write " + key + "=" + value);
        if (key == failOn) return Result::failure("disk full");
        values[key] = value;
        return Result::success();
    }
};

// Names keys as a layout of its own would.
struct ShoutingNamer : platform::KeyNamer {
    std::string name(int vk) override { return vk == 'A' ? "AAH" : ""; }
};

}  // namespace

TEST(ControlLogic, NoChordCannotBeEnabled) {
    platform::FakeHotkeyService system;
    Control c(system);
    c.logic.setHotKeyEnabled(true);
    EXPECT_FALSE(c.logic.hotKeyEnabled());
    EXPECT_EQ(c.messages, std::vector<std::string>{"error: Not set hotkey"});
    EXPECT_EQ(c.endpoint->registerCalls, 0);
}

TEST(ControlLogic, EnablingRegistersOnceAndDisablingReleases) {
    platform::FakeHotkeyService system;
    Control c(system);
    c.type('A', hotkey::kCtrlBit | hotkey::kAltBit);
    c.logic.setHotKeyEnabled(true);
    c.logic.setHotKeyEnabled(true);
    EXPECT_TRUE(c.logic.hotKeyEnabled());
    EXPECT_EQ(c.endpoint->registerCalls, 1);
    EXPECT_TRUE(system.isTaken(Mask::Control | Mask::Alt, 'A'));
    EXPECT_TRUE(c.messages.empty());

    c.logic.setHotKeyEnabled(false);
    EXPECT_FALSE(c.logic.hotKeyEnabled());
    EXPECT_FALSE(system.isTaken(Mask::Control | Mask::Alt, 'A'));
    const int unregisters = c.endpoint->unregisterCalls;
    c.logic.setHotKeyEnabled(false);
    EXPECT_EQ(c.endpoint->unregisterCalls, unregisters) << "false while false releases nothing";
}

TEST(ControlLogic, ATakenChordIsRefusedAndDiscarded) {
    platform::FakeHotkeyService system;
    Control first(system), second(system);
    first.type(vk::F8, {});  // F8 alone is a chord like any other
    second.type(vk::F8, {});
    first.logic.setHotKeyEnabled(true);
    second.logic.setHotKeyEnabled(true);
    EXPECT_TRUE(first.logic.hotKeyEnabled());
    EXPECT_FALSE(second.logic.hotKeyEnabled());
    EXPECT_EQ(second.messages, std::vector<std::string>{"error: Hotkey already exists, please change a hotkey."});
    EXPECT_EQ(second.logic.capture().text(), hotkey::kPromptText);
    EXPECT_EQ(second.logic.capture().keyCode(), 0);
    EXPECT_EQ(second.logic.capture().modKeyCode(), Mask{});

    system.takeByOtherProgram(Mask::Control, 'Q');
    Control third(system);
    third.type('Q', hotkey::kCtrlBit);
    third.logic.setHotKeyEnabled(true);
    EXPECT_FALSE(third.logic.hotKeyEnabled());
    EXPECT_EQ(third.messages.size(), 1u);
}

TEST(ControlLogic, TypingIntoALiveChordTurnsItOffAndReportsIt) {
    platform::FakeHotkeyService system;
    Control c(system);
    c.type('A', hotkey::kCtrlBit);
    c.logic.setHotKeyEnabled(true);
    using R = ControlLogic::KeyResult;
    EXPECT_EQ(c.logic.keyDown('B', hotkey::kCtrlBit), R::TurnedOff);
    EXPECT_FALSE(c.logic.hotKeyEnabled());
    EXPECT_FALSE(system.isTaken(Mask::Control, 'A'));
    EXPECT_FALSE(system.isTaken(Mask::Control, 'B')) << "the new chord is not live";
    EXPECT_EQ(c.logic.capture().text(), "Ctrl + B");
    EXPECT_EQ(c.logic.keyDown('C', {}), R::Captured) << "nothing to turn off any more";

    // A modifier typed into a live chord also turns it off and opens a new chord.
    c.logic.setHotKeyEnabled(true);
    EXPECT_EQ(c.logic.keyDown(vk::Shift, hotkey::kShiftBit), R::TurnedOff);
    EXPECT_EQ(c.logic.capture().keyCode(), 0);

    // The context-menu key and a key with no code change nothing, not even a live chord.
    c.type('D', {});
    c.logic.setHotKeyEnabled(true);
    EXPECT_EQ(c.logic.keyDown(vk::Apps, {}), R::Dropped);
    EXPECT_EQ(c.logic.keyDown(0, {}), R::Dropped);
    EXPECT_TRUE(c.logic.hotKeyEnabled());
    EXPECT_EQ(c.logic.capture().text(), "D");
}

TEST(ControlLogic, WithoutGlobalHotkeysEnablingSaysSoAndKeepsTheChord) {
    std::vector<std::string> messages;
    ControlLogic logic([&](const std::string& t, const std::string& m) { messages.push_back(t + ": " + m); },
                       {.unavailable = "Global hotkeys need an X11 session."});
    logic.connect(nullptr, "Zorvane1");
    logic.keyDown('A', hotkey::kCtrlBit);
    diag::SetSink([&](std::string_view line) { messages.emplace_back(line); });
    logic.setHotKeyEnabled(true);
    diag::SetSink(nullptr);
    EXPECT_FALSE(logic.hotKeyEnabled());
    EXPECT_EQ(messages,
              (std::vector<std::string>{"a trigger cannot be switched on: Global hotkeys need an X11 session.",
                                        "error: Global hotkeys need an X11 session."}));
    EXPECT_EQ(logic.capture().text(), "Ctrl + A") << "the chord is not discarded";
    EXPECT_EQ(logic.capture().keyCode(), 'A');
}

TEST(ControlLogic, TheChordIsKeptUnderTheControlsNameInOrder) {
    MemoryStore store;
    ControlLogic logic([](const std::string&, const std::string&) {});
    logic.connect(&store, "Zorvane10");
    logic.keyDown('A', hotkey::kCtrlBit | hotkey::kAltBit);
    ASSERT_TRUE(logic.saveSettings());
    EXPECT_EQ(store.log, (std::vector<std::string>{"write Zorvane10Text=Ctrl + Alt + A", "write Zorvane10KeyCode=65",
                                                   "write Zorvane10ModKeyCode=3"}));

    ControlLogic again([](const std::string&, const std::string&) {});
    again.connect(&store, "Zorvane10");
    store.log.clear();
    again.readStoredChord();
    EXPECT_EQ(store.log,
              (std::vector<std::string>{"read Zorvane10Text", "read Zorvane10KeyCode", "read Zorvane10ModKeyCode"}));
    EXPECT_EQ(again.capture().text(), "Ctrl + Alt + A");
    EXPECT_EQ(again.capture().modKeyCode(), Mask::Control | Mask::Alt);
    EXPECT_FALSE(again.hotKeyEnabled()) << "a chord comes back switched off";

    // A hand-edited code that is no number gives no chord; a failed write stops the save.
    store.values["Zorvane10KeyCode"] = "six";
    again.readStoredChord();
    EXPECT_EQ(again.capture().keyCode(), 0);
    EXPECT_EQ(again.capture().text(), hotkey::kPromptText);
    store.failOn = "Zorvane10KeyCode";
    store.log.clear();
    EXPECT_FALSE(logic.saveSettings());
    EXPECT_EQ(store.log.size(), 2u) << "nothing is written after the failure";
}

// The host saves on each report, so a report must come for every chord the
// exit save would write differently, and never for a half-typed one.
TEST(ControlLogic, AChordChangeIsReportedOnceAndNeverWhileHalfTyped) {
    platform::FakeHotkeyService system;
    Control c(system);
    std::vector<std::string> reported;
    c.logic.onChordChanged = [&] { reported.push_back(c.logic.capture().text()); };
    auto typeChord = [&] {
        c.type(vk::Control, hotkey::kCtrlBit);
        c.type(vk::Menu, hotkey::kCtrlBit | hotkey::kAltBit);
        EXPECT_TRUE(reported.empty() || reported.back() != "Ctrl + Alt + ") << "half typed";
        c.type('A', hotkey::kCtrlBit | hotkey::kAltBit);
        for (const int key : {int('A'), int(vk::Menu), int(vk::Control)}) c.logic.keyUp(key);
    };
    typeChord();
    typeChord();
    EXPECT_EQ(reported, (std::vector<std::string>{"Ctrl + Alt + A"})) << "the same chord again is no change";

    // Modifiers pressed and let go with no key bring the prompt back.
    c.type(vk::Shift, hotkey::kShiftBit);
    c.logic.keyUp(vk::Shift);
    EXPECT_EQ(reported.back(), hotkey::kPromptText);

    // A refused chord is discarded: that too is a change.
    system.takeByOtherProgram(Mask::Control, 'Q');
    c.type('Q', hotkey::kCtrlBit);
    c.logic.setHotKeyEnabled(true);
    EXPECT_EQ(reported,
              (std::vector<std::string>{"Ctrl + Alt + A", hotkey::kPromptText, "Ctrl + Q", hotkey::kPromptText}));

    // A chord read from storage is where changes count from.
    struct OneChord : hotkey::ChordStore {
        std::string read(const std::string& key, const std::string& fallback) override {
            if (key.ends_with("Text")) return "Ctrl + Alt + A";
            if (key.ends_with("ModKeyCode")) return "3";
            return key.ends_with("KeyCode") ? "65" : fallback;
        }
        Result write(const std::string&, const std::string&) override { return Result::success(); }
    } store;
    ControlLogic stored([](const std::string&, const std::string&) {});
    int storedReports = 0;
    stored.onChordChanged = [&] { ++storedReports; };
    stored.connect(&store, "Zorvane1");
    stored.readStoredChord();
    stored.keyDown('A', hotkey::kCtrlBit | hotkey::kAltBit);
    EXPECT_EQ(storedReports, 0);
    stored.keyDown('B', hotkey::kCtrlBit | hotkey::kAltBit);
    EXPECT_EQ(storedReports, 1);
}

// Lost while the user is in another application: a notice in the reason's
// words, no message box, and the chord stays as the exit save will write it.
TEST(ControlLogic, AChordTheSystemTakesAwayIsTurnedOffAndNoticedButKept) {
    using platform::Loss;
    for (const auto& [reason, cause] :
         {std::pair{Loss::KeyGone, diag::Cause::ChordLost}, std::pair{Loss::Taken, diag::Cause::ChordTaken}}) {
        platform::FakeHotkeyService system;
        Control c(system);
        c.type('Q', hotkey::kAltBit);
        c.logic.setHotKeyEnabled(true);
        c.logic.onChordChanged = [] { ADD_FAILURE() << "the chord would be saved anew"; };
        std::vector<diag::Cause> notices;
        diag::ResetNotices();
        diag::SetNoticeSink([&notices](diag::Cause n) { notices.push_back(n); });
        ASSERT_TRUE(system.takeAway(Mask::Alt, 'Q', reason));
        diag::SetNoticeSink(nullptr);
        EXPECT_EQ(notices, std::vector{cause});
        EXPECT_EQ(c.turnedOff, 1);
        EXPECT_TRUE(c.messages.empty());
        EXPECT_EQ(c.logic.capture().text(), "Alt + Q");
    }
}

TEST(ControlLogic, PressesReachTheirOwnControlOnlyAndEndingReleasesTheChord) {
    platform::FakeHotkeyService system;
    auto a = std::make_unique<Control>(system);
    Control b(system);
    a->type('A', hotkey::kAltBit);
    b.type('B', hotkey::kAltBit);
    a->logic.setHotKeyEnabled(true);
    b.logic.setHotKeyEnabled(true);
    system.press(Mask::Alt, 'A');
    system.press(Mask::Alt, 'A');
    EXPECT_EQ(a->pressed, 2);
    EXPECT_EQ(b.pressed, 0);

    a.reset();
    EXPECT_FALSE(system.isTaken(Mask::Alt, 'A'));
    EXPECT_TRUE(system.isTaken(Mask::Alt, 'B'));
}

TEST(ControlLogic, ConnectingTakesTheControlsOwnEndpointAndItsKeysAreNamedByTheLayout) {
    platform::FakeHotkeyService system;
    ShoutingNamer namer;
    ControlLogic logic([](const std::string&, const std::string&) {}, {.hotkeys = &system, .keyNamer = &namer});
    EXPECT_EQ(logic.endpoint(), nullptr) << "no endpoint before run mode";
    logic.keyDown('A', hotkey::kCtrlBit);
    EXPECT_EQ(logic.capture().text(), "Ctrl + AAH");

    // No store: nothing is read, and a save has nothing to keep.
    logic.connect(nullptr, "Zorvane2");
    ASSERT_NE(logic.endpoint(), nullptr);
    EXPECT_EQ(logic.endpoint(), system.lastEndpoint);
    logic.readStoredChord();
    EXPECT_EQ(logic.capture().text(), "Ctrl + AAH");
    EXPECT_TRUE(logic.saveSettings());
    logic.setHotKeyEnabled(true);
    EXPECT_TRUE(system.isTaken(mod::Mask::Control, 'A'));
}

// The field draws only when told, so every change of the chord's text must
// tell it; and the host hears of every way a live chord goes off by itself.
TEST(ControlLogic, TheFieldIsToldOfEveryChangeAndTheHostOfEveryTurnOff) {
    platform::FakeHotkeyService system;
    MemoryStore store;
    store.values = {{"Zorvane1Text", "Alt + Q"}, {"Zorvane1KeyCode", "81"}, {"Zorvane1ModKeyCode", "1"}};
    Control c(system, &store);
    c.logic.readStoredChord();
    EXPECT_EQ(c.shown, std::vector<std::string>{"Alt + Q"});

    c.shown.clear();
    c.type(vk::Control, hotkey::kCtrlBit);
    c.type('W', hotkey::kCtrlBit);
    c.logic.keyUp('W');
    c.logic.keyUp(vk::Control);
    EXPECT_EQ(c.shown, (std::vector<std::string>{"Ctrl + ", "Ctrl + W", "Ctrl + W", "Ctrl + W"}));
    c.shown.clear();
    c.logic.keyDown(vk::Apps, hotkey::ShiftState());  // the context-menu key changes nothing
    EXPECT_TRUE(c.shown.empty());

    // Typed into while live: off, shown, and the host told once.
    c.logic.setHotKeyEnabled(true);
    ASSERT_TRUE(c.logic.hotKeyEnabled());
    c.shown.clear();
    c.type('E', hotkey::kCtrlBit);
    EXPECT_FALSE(c.logic.hotKeyEnabled());
    EXPECT_EQ(c.turnedOff, 1);
    EXPECT_EQ(c.shown.back(), "Ctrl + E");
    c.type('R', hotkey::kCtrlBit);
    EXPECT_EQ(c.turnedOff, 1) << "nothing live to turn off";

    // Taken away by the system: the host hears; the field keeps the chord.
    c.logic.setHotKeyEnabled(true);
    ASSERT_TRUE(c.logic.hotKeyEnabled());
    c.shown.clear();
    ASSERT_TRUE(system.takeAway(Mask::Control, 'R', platform::Loss::KeyGone));
    EXPECT_FALSE(c.logic.hotKeyEnabled());
    EXPECT_EQ(c.turnedOff, 2);
    EXPECT_TRUE(c.shown.empty()) << "nothing in the field changed";
    c.endpoint->onLost(platform::Loss::Taken, "again");
    EXPECT_EQ(c.turnedOff, 2) << "a chord that is not live cannot be lost";

    // A refused chord is shown gone, without a turn-off: it never was live.
    system.takeByOtherProgram(mod::Mask::Control, 'T');
    c.type('T', hotkey::kCtrlBit);
    c.shown.clear();
    c.logic.setHotKeyEnabled(true);
    EXPECT_EQ(c.shown, std::vector<std::string>{hotkey::kPromptText});
    EXPECT_EQ(c.turnedOff, 2);
}

// A hand-edited file can hold a chord whose text would make the slot look
// empty while it fires once ticked: it is shown by its keys, as the layout
// names them, and logged.
TEST(ControlLogic, AStoredChordWithoutATextOfItsOwnIsShownByItsKeys) {
    ShoutingNamer namer;
    for (const auto& [text, shown] : {std::pair<std::optional<std::string>, std::string>{std::nullopt, "Alt + AAH"},
                                      {"", "Alt + AAH"},
                                      {hotkey::kPromptText, "Alt + AAH"},
                                      {"Alt + A", "Alt + A"}}) {
        MemoryStore store;
        store.values = {{"Zorvane1KeyCode", "65"}, {"Zorvane1ModKeyCode", "1"}};
        if (text) store.values["Zorvane1Text"] = *text;
        ControlLogic logic([](const std::string&, const std::string&) {}, {.keyNamer = &namer});
        logic.connect(&store, "Zorvane1");
        int logged = 0;
        diag::SetSink([&](std::string_view) { ++logged; });
        logic.readStoredChord();
        diag::SetSink(nullptr);
        EXPECT_EQ(logic.capture().text(), shown);
        EXPECT_EQ(logged, shown == text ? 0 : 1) << shown;
    }
}
