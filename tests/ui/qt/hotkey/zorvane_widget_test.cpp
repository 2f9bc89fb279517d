#include "ui/qt/hotkey/zorvane.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <filesystem>

#include "core/playback/program_error.h"
#include "core/settings/modINI.h"
#include "core/slots/settings_file.h"
#include "platform/fake/fake_hotkey_service.h"
#include "support/temp_dir.h"
#include "ui/qt/hotkey/capture_field.h"

namespace {

const QString kPrompt = QString::fromUtf8("按下热键");

// A control as the main window makes it, with its messages recorded and its
// chord kept in a settings file of the test's own beside the test program.
class ZorvaneWidget : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::remove(file.path()); }
    void TearDown() override { std::filesystem::remove(file.path()); }

    std::unique_ptr<Zorvane> make(const QString& name, bool runMode = true, const QVariantMap& bag = {}) {
        auto z = std::make_unique<Zorvane>(name, nullptr, runMode, platform::Services{.hotkeys = &system}, &chords);
        z->setAlert([this](const std::string& t, const std::string& m) { messages.push_back(t + ": " + m); });
        z->ReadProperties(bag);
        z->resize(127, 20);
        return z;
    }

    static void press(Zorvane& z, Qt::Key key, Qt::KeyboardModifiers mods = {}) {
        QTest::keyPress(z.txtHotKey(), key, mods);
    }
    static void release(Zorvane& z, Qt::Key key, Qt::KeyboardModifiers mods = {}) {
        QTest::keyRelease(z.txtHotKey(), key, mods);
    }

    platform::FakeHotkeyService system;
    std::vector<std::string> messages;
    const app::SettingsFile file{
        modINI::JoinPath(modINI::ProgramFolder(), "zorvane-widget-test-" + std::to_string(::getpid()) + ".ini")};
    app::IniChordStore chords{file};
};

}  // namespace

TEST_F(ZorvaneWidget, TypedKeysBecomeAChordAndNeverText) {
    auto z = make("Zorvane1");
    EXPECT_EQ(z->Text(), kPrompt);
    press(*z, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(z->Text(), "Ctrl + ");
    press(*z, Qt::Key_Alt, Qt::ControlModifier | Qt::AltModifier);
    press(*z, Qt::Key_A, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(z->Text(), "Ctrl + Alt + A");
    EXPECT_EQ(z->KeyCode(), 65);
    EXPECT_EQ(z->ModKeyCode(), (mod::Mask::Control | mod::Mask::Alt).bits());
    EXPECT_EQ(z->txtHotKey()->cursorPosition(), z->Text().size());

    // Letters, Backspace, Delete, Enter and paste are captured as keys, never applied as editing.
    QApplication::clipboard()->setText("pasted");
    QTest::keyClicks(z->txtHotKey(), "xy");
    EXPECT_EQ(z->Text(), "Y");
    for (Qt::Key k : {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Return, Qt::Key_Tab}) {
        QTest::keyClick(z->txtHotKey(), k);
        EXPECT_FALSE(z->Text().contains("pasted"));
    }
    EXPECT_EQ(z->Text(), "Tab");
    QTest::keyClick(z->txtHotKey(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(z->Text(), "Ctrl + V");
    QTest::keyClick(z->txtHotKey(), Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(z->Text(), "Shift + Insert");
    QTest::mouseClick(z->txtHotKey(), Qt::MiddleButton);
    EXPECT_EQ(z->Text(), "Shift + Insert");
    EXPECT_EQ(z->txtHotKey()->contextMenuPolicy(), Qt::NoContextMenu);
}

TEST_F(ZorvaneWidget, ContextMenuKeyIsDroppedAndRaisesNothing) {
    auto z = make("Zorvane1");
    int keyDowns = 0;
    QObject::connect(z.get(), &Zorvane::KeyDown, [&](int&, int&) { ++keyDowns; });
    press(*z, Qt::Key_B);
    press(*z, Qt::Key_Menu);
    EXPECT_EQ(z->Text(), "B");
    EXPECT_EQ(keyDowns, 1);
}

TEST_F(ZorvaneWidget, TheHostsKeyDownHandlerMayChangeTheKey) {
    auto z = make("Zorvane1");
    QObject::connect(z.get(), &Zorvane::KeyDown, [](int& vk, int& shift) {
        vk = 'Q';
        shift = hotkey::kCtrlBit.bits();
    });
    press(*z, Qt::Key_B);
    EXPECT_EQ(z->Text(), "Ctrl + Q");
}

TEST_F(ZorvaneWidget, FocusLossForgetsTheWindowsKey) {
    auto z = make("Zorvane1");
    press(*z, Qt::Key_Meta);
    EXPECT_TRUE(z->winKeyDown());
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(z->txtHotKey(), &out);
    EXPECT_FALSE(z->winKeyDown());
    press(*z, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(z->Text(), "Ctrl + A");
}

TEST_F(ZorvaneWidget, RetypingALiveChordTurnsItOffAndTellsTheHost) {
    auto z = make("Zorvane1");
    int turnedOff = 0, pressed = 0;
    QObject::connect(z.get(), &Zorvane::HotKeyTurnedOff, [&] { ++turnedOff; });
    QObject::connect(z.get(), &Zorvane::HotKeyPressed, [&] { ++pressed; });
    press(*z, Qt::Key_F8);
    z->SetHotKeyEnabled(true);
    ASSERT_TRUE(z->HotKeyEnabled());
    system.press({}, vk::F8);
    EXPECT_EQ(pressed, 1);

    press(*z, Qt::Key_F9);
    EXPECT_FALSE(z->HotKeyEnabled());
    EXPECT_EQ(turnedOff, 1);
    EXPECT_FALSE(system.isTaken({}, vk::F8));
}

TEST_F(ZorvaneWidget, RefusedChordShowsThePromptAgain) {
    auto a = make("Zorvane1");
    auto b = make("Zorvane2");
    a->SetHotKeyEnabled(true);
    EXPECT_EQ(messages, std::vector<std::string>{"error: Not set hotkey"});
    press(*a, Qt::Key_K, Qt::ControlModifier);
    press(*b, Qt::Key_K, Qt::ControlModifier);
    a->SetHotKeyEnabled(true);
    b->SetHotKeyEnabled(true);
    EXPECT_EQ(messages.back(), "error: Hotkey already exists, please change a hotkey.");
    EXPECT_EQ(b->Text(), kPrompt);
    EXPECT_EQ(b->KeyCode(), 0);
    EXPECT_FALSE(b->HotKeyEnabled());
}

TEST_F(ZorvaneWidget, ChordSurvivesARestartThroughTheSettingsFile) {
    {
        auto z = make("Zorvane10");
        press(*z, Qt::Key_Control, Qt::ControlModifier);
        press(*z, Qt::Key_A, Qt::ControlModifier | Qt::AltModifier);
        z->SetHotKeyEnabled(true);
        ASSERT_TRUE(z->SaveSettings());
        auto empty = make("Zorvane2");
        ASSERT_TRUE(empty->SaveSettings());
    }
    EXPECT_EQ(file.read("Zorvane", "Zorvane10KeyCode", ""), "65");
    EXPECT_EQ(file.read("Zorvane", "Zorvane10ModKeyCode", ""), "3");
    EXPECT_EQ(file.read("Zorvane", "Zorvane2Text", ""), "按下热键");
    EXPECT_EQ(file.read("Zorvane", "Zorvane2KeyCode", ""), "0");

    auto again = make("Zorvane10");
    EXPECT_EQ(again->Text(), "Ctrl + Alt + A");
    EXPECT_EQ(again->KeyCode(), 65);
    EXPECT_EQ(again->ModKeyCode(), (mod::Mask::Control | mod::Mask::Alt).bits());
    EXPECT_FALSE(again->HotKeyEnabled()) << "the enabled state is never kept";
}

TEST_F(ZorvaneWidget, HandEditedCodesStartAsNoChord) {
    ASSERT_TRUE(file.write("Zorvane", "Zorvane3Text", "Ctrl + Q"));
    ASSERT_TRUE(file.write("Zorvane", "Zorvane3KeyCode", "eighty-one"));
    ASSERT_TRUE(file.write("Zorvane", "Zorvane3ModKeyCode", "2"));
    auto z = make("Zorvane3");
    EXPECT_EQ(z->Text(), kPrompt);
    EXPECT_EQ(z->KeyCode(), 0);
    EXPECT_EQ(z->ModKeyCode(), 0);
}

TEST_F(ZorvaneWidget, PerUserStoreKeepsTheChordUnderItsApplicationName) {
    QStandardPaths::setTestModeEnabled(true);
    QVariantMap bag{{"SettingLocation", 1}, {"RegKeyName", "ZorvaneWidgetTest"}};
    {
        auto z = make("Zorvane4", true, bag);
        press(*z, Qt::Key_F7, Qt::ShiftModifier);
        ASSERT_TRUE(z->SaveSettings());
    }
    auto again = make("Zorvane4", true, bag);
    EXPECT_EQ(again->Text(), "Shift + F7");
    EXPECT_EQ(again->KeyCode(), vk::F7);
    EXPECT_EQ(again->ModKeyCode(), mod::Mask::Shift.bits());
    EXPECT_FALSE(std::filesystem::exists(file.path())) << "nothing went to the settings file";
    QSettings(QSettings::UserScope, "ZorvaneWidgetTest", "ZorvaneWidgetTest").clear();
}

TEST_F(ZorvaneWidget, PropertySetDefaultsAndRunTimeOnlyProperties) {
    QWidget host;
    host.setFont(QFont("Sans", 13));
    Zorvane z("Zorvane1", &host, true, {.hotkeys = &system}, &chords);
    z.ReadProperties({{"BackColor", 0x00C0E0FFu}, {"Font", QFont("Serif", 9)}, {"BorderStyle", 0}});
    EXPECT_EQ(z.BackColor(), 0x00C0E0FFu);
    EXPECT_EQ(z.txtHotKey()->palette().color(QPalette::Base), QColor(255, 224, 192));
    EXPECT_EQ(z.ForeColor(), 0x80000008u);
    EXPECT_TRUE(z.Enabled());
    EXPECT_EQ(z.BorderStyle(), 0);
    EXPECT_EQ(z.Appearance(), 1);
    EXPECT_EQ(z.INIFileName(), "set.ini");
    EXPECT_EQ(z.SettingLocation(), 0);
    EXPECT_EQ(z.RegKeyName(), "Zorvane");

    QVariantMap out;
    z.WriteProperties(out);
    EXPECT_EQ(out.keys(), (QStringList{"BackColor", "BorderStyle", "Font"}));

    try {
        z.SetINIFileName("other.ini");
        ADD_FAILURE() << "no error";
    } catch (const ProgramError& e) {
        EXPECT_EQ(e.number(), 382);
    }
    EXPECT_THROW(z.SetSettingLocation(1), ProgramError);
    EXPECT_THROW(z.SetRegKeyName("x"), ProgramError);
    EXPECT_EQ(z.INIFileName(), "set.ini");

    // A control without stored properties uses the host's font; in design mode
    // it shows the stored text and takes storage properties.
    Zorvane design("Zorvane1", &host, false, {.hotkeys = &system}, &chords);
    design.ReadProperties({{"Text", "Ctrl + Z"}});
    EXPECT_EQ(design.Font().pointSize(), 13);
    EXPECT_EQ(design.Text(), "Ctrl + Z");
    EXPECT_NO_THROW(design.SetRegKeyName("Other"));
    EXPECT_EQ(design.RegKeyName(), "Other");
}
