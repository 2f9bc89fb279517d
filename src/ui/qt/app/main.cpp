#include <QApplication>
#include <QGuiApplication>
#include <QSessionManager>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "core/diag/diag.h"
#include "core/view/texts.h"
#include "platform/services.h"
#include "ui/qt/app/command_line.h"
#include "ui/qt/app/fonts.h"
#include "ui/qt/app/frmSet.h"
#include "ui/qt/app/quit_signals.h"
#include "ui/qt/app/single_instance.h"
#include "ui/qt/shell/pictures.h"

namespace {

// Qt ends the program with exit(1) when its connection to the X server breaks
// (the server died, or a logout closed the display with no signal first):
// the chords are saved on the way out all the same.
frmSet* windowAtExit = nullptr;

void saveOnUnexpectedExit() {
    if (!windowAtExit) return;
    // The display may be gone: a notice beside the tray icon would draw on a
    // dead connection and crash the save's ending. What goes wrong is only
    // written to stderr and the log.
    diag::SetNoticeSink(nullptr);
    std::exchange(windowAtExit, nullptr)->table().end(app::SlotTable::Ending::DisplayLost);
}

}  // namespace

int main(int argc, char** argv) {
    if (const auto status = app::AnswerCommandLine(argc, argv, stdout, stderr)) return *status;
    // The settings file comes from the program's folder, not from Qt: it
    // keys the one copy that may run, which is settled before the display is
    // opened, so that a later start only asks that copy to show its window.
    const app::SettingsFile settings = app::SettingsFile::ForProgram();
    diag::LogBeside(settings.path());
    SingleInstance instance(settings.path());
    std::string why;
    const SingleInstance::Claim claim = instance.claim(&why);
    switch (claim) {
        case SingleInstance::Claim::Running: break;
        case SingleInstance::Claim::Unguarded: diag::Report("cannot keep a second copy out: " + why); break;
        case SingleInstance::Claim::Shown: return 0;
        case SingleInstance::Claim::Refused: diag::Report(why); return 1;
    }
    const bool platformGiven = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    if (const std::string noDesktop = platform::NoDesktopReason(); !noDesktop.empty()) {
        diag::Report(noDesktop);
        return 1;
    }
    QApplication app(argc, argv);
    if (claim == SingleInstance::Claim::Running && !instance.listen(&why))
        diag::Report("a later start cannot bring this window forward: " + why);
    // The window system chosen for this program is not handed on to the
    // programs it opens (a browser from the tray menu).
    if (!platformGiven) qunsetenv("QT_QPA_PLATFORM");
    QApplication::setApplicationName(texts::kProductName);
    QApplication::setDesktopFileName("zorvane-change-hotkey");
    QApplication::setWindowIcon(pictures::appIcon());
    // The window hides to the notification area; only the exit routine ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    installChineseFontSubstitutions();

    const platform::OwnedServices backend = platform::CreateServices();
    frmSet window(backend.services(), settings);
    QObject::connect(&window, &frmSet::exitRequested, &app, [] { QCoreApplication::exit(0); });
    QObject::connect(&instance, &SingleInstance::showRequested, &window, &frmSet::bringBack);
    // Asked to end from outside (kill, logout): keep the chords, then end.
    InstallQuitSignalHandler([&window] { window.table().end(app::SlotTable::Ending::Asked); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.table().end(app::SlotTable::Ending::SessionEnd); });
    windowAtExit = &window;
    std::atexit(saveOnUnexpectedExit);

    window.show();
    const int status = QApplication::exec();
    windowAtExit = nullptr;
    return status;
}
