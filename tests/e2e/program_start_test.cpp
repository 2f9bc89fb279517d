// How the built program starts: one copy runs for each user and settings
// file, however DISPLAY is spelled and however close together the starts
// come; a later start shows that copy's window and ends.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <functional>
#include <list>

#include "e2e/program.h"
#include "support/desktop.h"
#include "ui/qt/app/single_instance.h"

using namespace desktop;

namespace {

const QString kMain = QString::fromUtf8("设置");

class ProgramStart : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8()); }
    void TearDown() override { qunsetenv("XDG_RUNTIME_DIR"); }

    Program& launch(const QTemporaryDir& in, const QString& display = qEnvironmentVariable("DISPLAY")) {
        Program::Options options;
        options.environment.insert("DISPLAY", display);
        options.keepErrors = true;
        return copies.emplace_back(in.path(), options);
    }
    static QString windowOf(const Program& p) {
        return run("xdotool",
                   {"search", "--all", "--onlyvisible", "--pid", QString::number(p.pid()), "--name", "^" + kMain + "$"})
            .value_or("");
    }
    // "runs" once its window is up, or how it ended and what it said then.
    static QString outcome(Program& p) {
        waitUntil([&] { return !p.running() || !windowOf(p).isEmpty(); }, 20000);
        if (p.running()) return windowOf(p).isEmpty() ? "undecided" : "runs";
        if (p.crashed()) return "crashed";
        return QString("exit %1").arg(p.exitCode()) + (p.exitCode() ? ": " + p.errors().trimmed() : "");
    }
    SingleInstance::Places places() {
        std::string why;
        return SingleInstance::PlacesFor((folder.path() + "/set.ini").toStdString(), &why).value();
    }

    QTemporaryDir runtime, folder;
    std::list<Program> copies;
};

}  // namespace

TEST_F(ProgramStart, OneCopyPerUserAndSettingsFile) {
    const QString display = qEnvironmentVariable("DISPLAY");
    const QString n = display.mid(display.indexOf(':') + 1);
    const struct {
        const char* name;
        std::function<QString()> run;
        QString transcript;
    } cases[] = {
        {"DISPLAY spelled three ways",
         [&] {
             QString t = outcome(launch(folder, ":" + n));
             for (const QString spelling : {":N.0", "unix:N"}) {
                 clickAt(windowOf(copies.front()), 280, 8);  // the dash, to the tray
                 if (!waitUntil([] { return !isVisible(kMain); })) return t + "; not hidden";
                 t += "; " + spelling + " " + outcome(launch(folder, QString(spelling).replace("N", n)));
                 t += waitForWindow(kMain) ? ", shown" : ", not shown";
             }
             return t;
         },
         "runs; :N.0 exit 0, shown; unix:N exit 0, shown"},
        {"two started together, three times",
         [&] {
             QStringList rounds;
             for (int round = 0; round < 3; ++round) {
                 QTemporaryDir own;
                 Program &a = launch(own), &b = launch(own);
                 QStringList both{outcome(a), outcome(b)};
                 both.sort();
                 rounds << both.join(" + ");
                 copies.clear();
             }
             return rounds.join("; ");
         },
         "exit 0 + runs; exit 0 + runs; exit 0 + runs"},
        {"a killed copy's socket left behind",
         [&] {
             QString t = outcome(launch(folder));
             copies.front().kill();
             t += QFile::exists(QString::fromStdString(places().socket)) ? "; killed, socket left" : "; killed";
             t += "; " + outcome(launch(folder));
             return t + "; then " + outcome(launch(folder));  // it answers there in turn
         },
         "runs; killed, socket left; runs; then exit 0"},
        {"the lock held, the socket another user's (root only)",
         [&] {
             const SingleInstance::Places at = places();
             const int lock = ::open(at.lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
             ::flock(lock, LOCK_EX);
             // Bound here, listening as nobody: a peer sees the listener's user.
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             std::strcpy(address.sun_path, at.socket.c_str());
             ::unlink(address.sun_path);  // the last copy's, killed
             const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
             ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
             const pid_t nobody = ::fork();
             if (nobody == 0) {
                 if (::setresgid(65534, 65534, 65534) == 0 && ::setresuid(65534, 65534, 65534) == 0) ::listen(fd, 4);
                 for (;;) ::pause();
             }
             const QString t = outcome(launch(folder)).replace(QString::fromStdString(at.socket), "<socket>");
             ::kill(nobody, SIGKILL);
             ::waitpid(nobody, nullptr, 0);
             ::close(fd);
             ::close(lock);
             return t;
         },
         "exit 1: zorvane-change-hotkey: another copy is running, and <socket> is answered by a process of user "
         "65534, not of user 0"},
    };
    for (const auto& c : cases) {
        if (std::strstr(c.name, "root only") && ::geteuid() != 0) continue;
        EXPECT_EQ(c.run().toStdString(), c.transcript.toStdString()) << c.name;
        copies.clear();
    }
    if (::geteuid() != 0) GTEST_SKIP() << "the other user's socket needs root";
}
