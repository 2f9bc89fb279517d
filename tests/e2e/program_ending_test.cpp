// How the built program ends when its desktop goes away under it or its
// settings cannot be saved: nothing the user set is lost, and nothing waits
// for an answer that no one is there to give.

#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>

#include "e2e/program.h"
#include "support/desktop.h"

using namespace desktop;

namespace {

const QString kMain = QString::fromUtf8("设置");
constexpr int rowTop(int n) { return 64 + 32 * (n - 1); }

// A virtual display of the test's own, with a window manager and a tray host
// unless bare, that the test can end. The desktop helpers use it while it lasts.
class OwnDisplay {
public:
    explicit OwnDisplay(bool bare = false) : previous_(qgetenv("DISPLAY")) {
        const auto lines = run(ZORVANE_VIRTUAL_DISPLAY, bare ? QStringList{"--bare"} : QStringList{}, 20000);
        if (!lines) return;
        for (const QString& line : lines->split('\n')) {
            if (line.startsWith("DISPLAY=")) name_ = line.mid(8);
            if (line.startsWith("PIDS=")) pids_ = line.mid(5).remove('"').split(' ', Qt::SkipEmptyParts);
        }
        qputenv("DISPLAY", name_.toUtf8());
    }
    ~OwnDisplay() {
        end();
        qputenv("DISPLAY", previous_);
    }
    bool ok() const { return !name_.isEmpty() && !pids_.isEmpty(); }
    const QString& name() const { return name_; }
    // The X server first (it is the first started), and every client's connection with it.
    void end() {
        for (const QString& pid : pids_) ::kill(pid.toInt(), SIGTERM);
        pids_.clear();
    }

private:
    QByteArray previous_;
    QString name_;
    QStringList pids_;
};

// The program on that display, its standard error kept.
Program::Options on(const OwnDisplay& display) {
    Program::Options options;
    options.environment.insert("DISPLAY", display.name());
    options.keepErrors = true;
    return options;
}

}  // namespace

TEST(ProgramEnding, AChordIsOnDiskBeforeTheXServerEnds) {
    OwnDisplay display;
    ASSERT_TRUE(display.ok());
    QTemporaryDir folder;
    Program program(folder.path(), on(display));
    const auto main = waitForWindow(kMain);
    ASSERT_TRUE(main) << program.state();
    clickAt(*main, 220, rowTop(3) + 10);
    keys({"super+F7"});
    EXPECT_TRUE(waitUntil([&] { return program.ini("Zorvane", "Zorvane3Text") == "Win + F7"; }))
        << "the chord was not saved when it changed";

    display.end();
    ASSERT_TRUE(program.waitForExit()) << "the program outlived its display";
    EXPECT_EQ(program.ini("Zorvane", "Zorvane3Text"), "Win + F7");
    EXPECT_EQ(program.ini("Zorvane", "Zorvane3ModKeyCode"), "8");
    const QString said = program.errors();
    EXPECT_TRUE(said.contains("the chords are saved")) << said.toStdString();
}

// A save that fails as the display goes (a stray byte makes set.ini
// unreadable, and it is kept as it is) is written to stderr and the log;
// nothing is drawn on the dead connection, with a tray host or without.
TEST(ProgramEnding, ASaveThatFailsAsTheXServerEndsIsLoggedAndNothingIsDrawn) {
    for (const bool trayHost : {false, true}) {
        OwnDisplay display(!trayHost);
        ASSERT_TRUE(display.ok());
        QTemporaryDir folder;
        Program program(folder.path(), on(display));
        ASSERT_TRUE(waitForWindow(kMain)) << "tray host: " << trayHost << "; " << program.state();
        const QByteArray stray = "\xff\xfe[";  // UTF-16 by its mark, then an odd byte
        QFile ini(folder.path() + "/set.ini");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly) && ini.write(stray) == stray.size() && ini.flush());
        display.end();
        QStringList t{!program.waitForExit() ? "runs"
                      : program.crashed()    ? "crashed"
                                             : QString("exit %1").arg(program.exitCode())};
        t << (contents(ini.fileName()) == stray ? "set.ini kept" : "set.ini changed");
        t << (program.errors().contains("the settings could not be saved") ? "said" : "not said");
        t << (contents(folder.path() + "/zorvane-change-hotkey.log").contains("could not be saved") ? "logged"
                                                                                                    : "not logged");
        EXPECT_EQ(t.join(", ").toStdString(), "exit 1, set.ini kept, said, logged") << "tray host: " << trayHost;
    }
}

// Logout sends SIGTERM and waits: a save that fails then must not open a
// message box that no one will answer.
TEST(ProgramEnding, ASaveThatFailsOnSigtermIsReportedAndTheProgramStillEnds) {
    QTemporaryDir folder;
    // Room for the program (its size grows with the build type) and 16 MB more, then filled.
    const qint64 megabytes = QFileInfo(ZORVANE_PROGRAM).size() / (1 << 20) + 16;
    if (!run("mount", {"-t", "tmpfs", "-o", QString("size=%1m").arg(megabytes), "tmpfs", folder.path()}))
        GTEST_SKIP() << "a small file system cannot be mounted here (needs root)";
    struct Unmount {
        QString path;
        ~Unmount() { run("umount", {"-l", path}); }
    } unmount{folder.path()};
    ASSERT_TRUE(QFile::copy(ZORVANE_PROGRAM, folder.path() + "/zorvane-change-hotkey"));
    const QString ini = folder.path() + "/set.ini";
    const QByteArray old = "[conftext]\n0=Ctrl + Z\n";  // no chords in it: the exit save has to write them
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(old) == old.size());
    }
    {
        QFile filler(folder.path() + "/filler");
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(64 * 1024, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {}
    }
    Program::Options options;
    options.keepErrors = true;
    Program program(folder.path(), options);
    ASSERT_TRUE(waitForWindow(kMain));
    ::kill(static_cast<pid_t>(program.pid()), SIGTERM);
    ASSERT_TRUE(program.waitForExit()) << "the program waited on a message";
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(contents(ini), old);
    const QString said = program.errors();
    EXPECT_TRUE(said.contains("could not be saved")) << said.toStdString();
}

TEST(ProgramEnding, WithoutADisplayItSaysWhatItNeedsInOneLine) {
    QTemporaryDir folder;
    Program::Options options;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) options.environment.remove(name);
    options.keepErrors = true;
    Program program(folder.path(), options);
    ASSERT_TRUE(program.waitForExit());
    EXPECT_EQ(program.exitCode(), 1);
    const QString said = program.errors().trimmed();
    EXPECT_FALSE(said.contains('\n')) << said.toStdString();
    EXPECT_TRUE(said.contains("X11 session")) << said.toStdString();
}
