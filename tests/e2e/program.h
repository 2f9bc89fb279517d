#pragma once
// The built program, copied into a folder of its own (where it keeps set.ini)
// and started there.

#include <QFile>
#include <QProcess>
#include <QString>
#include <string>

#include "core/settings/profile_file.h"

inline QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

class Program {
public:
    struct Options {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        bool keepErrors = false;  // its standard error is kept for errors() rather than shown
        QString errorFile = {};   // or written to this file, to be read while it runs
    };
    explicit Program(const QString& folder) : Program(folder, Options()) {}
    Program(const QString& folder, const Options& options) : folder_(folder) {
        const QString exe = folder + "/zorvane-change-hotkey";
        if (!QFile::exists(exe)) QFile::copy(ZORVANE_PROGRAM, exe);
        process_.setProcessEnvironment(options.environment);
        const bool keep = options.keepErrors || !options.errorFile.isEmpty();
        process_.setProcessChannelMode(keep ? QProcess::ForwardedOutputChannel : QProcess::ForwardedChannels);
        if (!options.errorFile.isEmpty()) process_.setStandardErrorFile(options.errorFile);
        process_.start(exe, {});
    }
    ~Program() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(2000);
        }
    }
    bool waitForExit(int ms = 5000) { return process_.waitForFinished(ms); }
    // Looks, without waiting: QProcess learns of an end only when asked.
    bool running() { return process_.state() != QProcess::NotRunning && !process_.waitForFinished(0); }
    // Ended by a signal (a crash, or kill()).
    bool crashed() const { return process_.exitStatus() == QProcess::CrashExit; }
    int exitCode() const { return process_.exitCode(); }
    // Ends it at once, as SIGKILL does: nothing of it runs on the way out.
    void kill() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    qint64 pid() const { return process_.processId(); }
    QString errors() { return QString::fromUtf8(process_.readAllStandardError()); }
    // For a failure's message: whether it still runs, and what it said so far.
    std::string state() {
        const QString how =
            running() ? "running" : QString("ended (%1)").arg(crashed() ? "crashed" : QString::number(exitCode()));
        return (how + "; stderr: " + errors() + "; log: " + contents(folder_ + "/zorvane-change-hotkey.log"))
            .toStdString();
    }
    std::string ini(const char* section, const char* key) const {
        return profile::readValue((folder_ + "/set.ini").toStdString(), section, key, "<missing>");
    }

private:
    QString folder_;
    QProcess process_;
};
