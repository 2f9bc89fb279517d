#include "support/desktop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <functional>

namespace desktop {

std::optional<QString> run(const QString& program, const QStringList& args, int timeoutMs) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        p.kill();
        p.waitForFinished(1000);
        return std::nullopt;
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) return false;
        QThread::msleep(20);
    }
    return true;
}

std::optional<QString> waitForWindow(const QString& title, int timeoutMs) {
    std::optional<QString> id;
    waitUntil(
        [&] {
            id = run("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"}, 2000);
            if (id) id = id->section('\n', 0, 0);
            return id && !id->isEmpty();
        },
        timeoutMs);
    return id && !id->isEmpty() ? id : std::nullopt;
}

bool isVisible(const QString& title) {
    const auto id = run("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"}, 2000);
    return id && !id->isEmpty();
}

void clickAt(const QString& window, int x, int y, int button) {
    run("xdotool",
        {"mousemove", "--window", window, QString::number(x), QString::number(y), "click", QString::number(button)});
    QThread::msleep(150);
}

void keys(const QStringList& keys) {
    run("xdotool", QStringList{"key", "--clearmodifiers"} + keys);
    QThread::msleep(100);
}

void type(const QString& text) {
    run("xdotool", {"type", text});
    QThread::msleep(100);
}

void screenshot(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    run("import", {"-window", "root", path});
}

}  // namespace desktop
