#include <QApplication>
#include <QGuiApplication>
#include <QSessionManager>
#include <cstdio>
#include <memory>

#include "app/fonts.h"
#include "app/frmSet.h"
#include "app/quit_signals.h"
#include "app/single_instance.h"
#include "platform/services.h"
#include "shell/pictures.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Zorvane Change Hotkey");
    QApplication::setDesktopFileName("zorvane-change-hotkey");
    QApplication::setWindowIcon(pictures::appIcon());
    // The window hides to the notification area; only the exit routine ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    installChineseFontSubstitutions();

    SingleInstance instance;
    if (instance.askRunningCopyToShow()) return 0;
    if (!instance.listen()) std::fprintf(stderr, "zorvane-change-hotkey: cannot watch for a second copy\n");

    platform::Services services = platform::CreateServices();
    if (!services.unavailable.empty())
        std::fprintf(stderr, "zorvane-change-hotkey: %s\n", services.unavailable.c_str());

    frmSet window({services.injector.get(), services.hotkeys.get(), services.keyboard.get(), true,
                   services.keyNamer.get(), services.unavailable});
    QObject::connect(&window, &frmSet::exitRequested, &app, [] { QCoreApplication::exit(0); });
    QObject::connect(&instance, &SingleInstance::showRequested, &window, [&window] {
        window.show();
        window.raise();
        window.activateWindow();
    });
    // Asked to end from outside (kill, logout): keep the chords, then end.
    InstallQuitSignalHandler([&window] {
        window.SaveAllChords();
        QCoreApplication::exit(0);
    });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.SaveAllChords(); });

    window.show();
    return QApplication::exec();
}
