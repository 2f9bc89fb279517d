#include <QApplication>
#include <QGuiApplication>
#include <QSessionManager>
#include <cstdio>
#include <memory>

#include "app/fonts.h"
#include "app/frmSet.h"
#include "app/quit_signals.h"
#include "app/single_instance.h"
#include "platform/x11/x11_hotkey_endpoint.h"
#include "platform/x11/x11_key_injector.h"
#include "platform/x11/x11_keyboard_state.h"
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

    std::unique_ptr<x11::X11KeyInjector> injector;
    std::unique_ptr<x11::X11HotkeyService> hotkeys;
    std::unique_ptr<x11::X11KeyboardState> keyboard;
    if (QGuiApplication::platformName() == "xcb") {
        std::string error;
        injector = x11::X11KeyInjector::open(nullptr, &error);
        if (!injector) std::fprintf(stderr, "zorvane-change-hotkey: no key injection: %s\n", error.c_str());
        hotkeys = std::make_unique<x11::X11HotkeyService>();
        keyboard = x11::X11KeyboardState::open(nullptr);
        if (!keyboard)
            std::fprintf(stderr, "zorvane-change-hotkey: no XInput 2: targets play while the trigger's keys are down\n");
    } else {
        std::fprintf(stderr, "zorvane-change-hotkey: the %s platform has no global hotkeys; triggers stay off\n",
                     qPrintable(QGuiApplication::platformName()));
    }

    frmSet window({injector.get(), hotkeys.get(), keyboard.get(), true});
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
