#include "ui/qt/app/quit_signals.h"

#include <fcntl.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>

namespace {

int pipeFds[2] = {-1, -1};

void onSignal(int) {
    // Only async-signal-safe work here: wake the event loop.
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &c, 1);
}

}  // namespace

void InstallQuitSignalHandler(std::function<void()> onQuit) {
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, onQuit = std::move(onQuit)] {
        char buf[16];
        while (::read(pipeFds[0], buf, sizeof buf) > 0) {}
        notifier->setEnabled(false);
        onQuit();
    });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &sa, nullptr);
}
