#pragma once
// A main window as the program makes it, on fakes of the window system: a
// recording key injector and hotkeys in memory. Its set.ini is the one the
// program chooses, beside the test program, removed before and after each test.

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <filesystem>
#include <memory>

#include "core/settings/modINI.h"
#include "core/slots/settings_file.h"
#include "platform/fake/fake_hotkey_service.h"
#include "platform/fake/recording_injector.h"
#include "support/temp_dir.h"
#include "ui/qt/app/fonts.h"
#include "ui/qt/app/frmSet.h"
#include "ui/qt/editor/edit.h"
#include "ui/qt/hotkey/zorvane.h"

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        installChineseFontSubstitutions();
        iniPath = modINI::JoinPath(modINI::ProgramFolder(), "set.ini");
        std::filesystem::remove(iniPath);
    }
    void TearDown() override {
        window.reset();
        std::filesystem::remove(iniPath);
    }

    frmSet& start() {
        window = std::make_unique<frmSet>(platform::Services{.injector = &injector, .hotkeys = &system},
                                          app::SettingsFile::ForProgram(), false);
        window->setAlert([this](const QString& title, const QString& text) {
            messages.push_back((title + ": " + text).toStdString());
        });
        for (int n = 1; n <= frmSet::kSlots; ++n)
            window->ZorvaneN(n)->setAlert(
                [this](const std::string& t, const std::string& m) { messages.push_back(t + ": " + m); });
        window->show();
        return *window;
    }

    // Types a chord into slot n's trigger field as Qt delivers it.
    void typeChord(int n, Qt::Key key, Qt::KeyboardModifiers mods);
    // Clicks slot n's box as the user does.
    void clickBox(int n) { window->Check(n)->click(); }
    static void pick(QComboBox* picker, const QString& name) {
        const int index = picker->findText(name);
        picker->setCurrentIndex(index);
        emit picker->activated(index);
    }

    std::string iniPath;
    // For the test's own reading of the file.
    app::SettingsFile file{modINI::JoinPath(modINI::ProgramFolder(), "set.ini")};
    platform::FakeHotkeyService system;
    platform::RecordingInjector injector;
    std::vector<std::string> messages;
    std::unique_ptr<frmSet> window;
};
