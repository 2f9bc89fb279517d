// The notices as the user sees them, on a desktop with a tray host: for each
// cause the main window's tray icon shows a message in the cause's own words,
// even with the window hidden.

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QTest>

#include "core/diag/diag.h"
#include "core/view/texts.h"
#include "platform/fake/fake_hotkey_service.h"
#include "platform/fake/recording_injector.h"
#include "support/temp_dir.h"
#include "ui/qt/app/frmSet.h"

namespace {

// The texts of the message shown beside the tray icon; empty when none is.
QStringList shownNotice() {
    QStringList texts;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || !(w->windowFlags() & Qt::ToolTip)) continue;
        for (const QLabel* label : w->findChildren<QLabel*>())
            if (!label->text().isEmpty()) texts << label->text();
    }
    return texts;
}

}  // namespace

TEST(TrayNotices, EachCauseIsShownBesideTheIconInItsOwnWords) {
    ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 5000)) << "no tray host";
    TempDir folder;
    platform::FakeHotkeyService system;
    platform::RecordingInjector injector;
    {
        frmSet window(platform::Services{.injector = &injector, .hotkeys = &system},
                      app::SettingsFile(folder.file("set.ini")));
        window.hide();
        for (const diag::Cause cause : {diag::Cause::TargetRefused, diag::Cause::ChordLost, diag::Cause::ChordTaken,
                                        diag::Cause::SaveFailed, diag::Cause::X11WindowsOnly}) {
            diag::ResetNotices();
            diag::Notify(cause, "a reason");
            const QString text = QString::fromUtf8(texts::NoticeText(cause));
            QStringList shown;
            EXPECT_TRUE(QTest::qWaitFor([&] { return (shown = shownNotice()).contains(text); }, 5000))
                << static_cast<int>(cause) << ": " << shown.join(" | ").toStdString();
            EXPECT_TRUE(shown.contains(QString::fromUtf8(texts::kNoticeTitle)));
        }
    }
    // Gone with the window: a later notice has nowhere to go and is only logged.
    diag::ResetNotices();
    diag::Notify(diag::Cause::SaveFailed, "a reason");
}
