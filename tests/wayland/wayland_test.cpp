// The built program on a Wayland desktop: headless sway with Xwayland, a
// virtual keyboard of the bed typing as the user, and a Wayland window and an
// X11 window that log the keys they get. A transcript lists the presses of
// non-modifier keys a window got, with the modifiers it saw: "a/C" is Ctrl+A.

#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>
#include <xkbcommon/xkbcommon.h>

#include "e2e/program.h"
#include "support/desktop.h"
#include "support/x11_listener.h"

namespace {

constexpr int rowTop(int n) { return 64 + 32 * (n - 1); }
const QRegularExpression kModifier("^(Control|Alt|Shift|Super|Meta)_[LR]$");

// The bed's own client (a window that logs the keys it gets, and the user's
// keyboard), read one line at a time; every line read is kept.
class Client {
public:
    Client() { p_.start(ZORVANE_WAYLAND_BED); }
    ~Client() {
        p_.closeWriteChannel();
        if (!p_.waitForFinished(2000)) p_.kill();
        p_.waitForFinished(1000);
    }
    // The index of the first line from `from` on that `match` takes; -1 when none comes.
    int find(const std::function<bool(const QString&)>& match, int from, int ms = 5000) {
        int at = from;
        desktop::waitUntil(
            [&] {
                p_.waitForReadyRead(10);
                while (p_.canReadLine()) lines_ << QString::fromUtf8(p_.readLine()).trimmed();
                for (; at < lines_.size(); ++at)
                    if (match(lines_[at])) return true;
                return false;
            },
            ms);
        return at < lines_.size() ? at : -1;
    }
    // Waits for this line after every line read so far.
    bool next(const QString& line, int ms = 5000) {
        return find([&](const QString& l) { return l == line; }, read(), ms) >= 0;
    }
    // Runs a command and waits for its answer.
    QString ask(const QString& command) {
        p_.write((command + "\n").toUtf8());
        answered_ = find([](const QString& l) { return l == "ok" || l.startsWith("error ") || l.startsWith("held "); },
                         answered_) +
                    1;
        return answered_ > 0 ? lines_[answered_ - 1] : "no answer";
    }
    // The number of lines there are now.
    int read() {
        return find([](const QString&) { return false; }, lines_.size(), 0), static_cast<int>(lines_.size());
    }
    const QStringList& lines() const { return lines_; }

private:
    QProcess p_;
    QStringList lines_;
    int answered_ = 0;  // lines up to here hold answers already taken
};

QString modsOf(std::uint16_t state) {
    QString m;
    if (state & XCB_MOD_MASK_CONTROL) m += 'C';
    if (state & XCB_MOD_MASK_1) m += 'A';
    if (state & XCB_MOD_MASK_SHIFT) m += 'S';
    if (state & XCB_MOD_MASK_4) m += 'W';
    return m.isEmpty() ? "-" : m;
}

// The program in a folder of its own with slot 1 Ctrl+Alt+J → Ctrl+A, slot 2
// Ctrl+Alt+T → Ctrl+B (which the bed's sway configuration binds itself) and
// slot 3 Ctrl+Alt+K → slot 1's trigger, the user's keyboard, and the Wayland
// window in front.
class Bed {
public:
    enum Route { Native, XwaylandOnly, NoX };
    explicit Bed(Route route = Native) : route_(route) {
        const QByteArray ini =
            "[Zorvane]\nZorvane1Text=Ctrl + Alt + J\nZorvane1KeyCode=74\nZorvane1ModKeyCode=3\n"
            "Zorvane2Text=Ctrl + Alt + T\nZorvane2KeyCode=84\nZorvane2ModKeyCode=3\n"
            "Zorvane3Text=Ctrl + Alt + K\nZorvane3KeyCode=75\nZorvane3ModKeyCode=3\n"
            "[conftext]\n0=Ctrl + A\n1=Ctrl + B\n2=Ctrl + Alt + J\n"
            "[conftooltip]\n0=2|17|65\n1=2|17|66\n2=3|17|18|74\n";
        QFile f(folder_.path() + "/set.ini");
        if (!f.open(QIODevice::WriteOnly) || f.write(ini) != ini.size() || !f.flush()) error = "cannot write set.ini";
        // sway, Xwayland and the window start together: slow on a busy machine.
        if (!bed_.next("ready", 20000)) error = "the bed's window did not start";
        start();
    }
    QString error;

    // Starts the program (again), and gives the Wayland window the focus.
    void start() {
        Program::Options o;
        o.errorFile = folder_.path() + "/said";
        o.environment.insert("ZORVANE_TRACE", "1");
        if (route_ != Native) o.environment.remove("SWAYSOCK");
        if (route_ == NoX) o.environment.remove("DISPLAY");
        program_.reset();
        program_.emplace(folder_.path(), o);
        if (route_ != NoX && !(window_ = desktop::waitForWindow(QString::fromUtf8("设置")))) error = "no main window";
        // sway gives a window the focus as it maps it: the program's has to be there before the Wayland window takes it.
        const QString main = route_ == NoX ? "[app_id=\"zorvane-change-hotkey\"]" : "[title=\"设置\"]";
        if (!desktop::waitUntil([&] { return focus(main); })) error = "sway shows no main window";
        const int before = bed_.read();
        if (!focus("[app_id=\"zorvane-key-log\"]") ||
            bed_.find([](const QString& l) { return l == "focus"; }, before) < 0)
            error = "the Wayland window has no focus";
    }

    void click(int n) { desktop::clickAt(*window_, 310, rowTop(n) + 10); }
    // A click on slot n's box; on the native route, once sway has bound or let go of the chord.
    bool tick(int n) {
        const int before = count("trace: (un)?bound ");
        click(n);
        return route_ != Native || waitForSaid("trace: (un)?bound ", before + 1);
    }
    // Sends the user's keys to whichever window is in front and waits until the
    // program has played `plays` targets; the user then types x, so that
    // everything before it has arrived when the x does.
    void type(const QStringList& commands, int plays = 0) {
        // What each route says once a target's keys are out.
        const QString played = route_ == Native ? "trace: keys up" : "trace: first key";
        const int before = count(played);
        for (const QString& c : commands) bed_.ask(c);
        waitForSaid(played, before + plays);
        bed_.ask("tap x");
    }
    // The Wayland window's transcript since the last one, up to the user's x.
    std::string waylandTranscript() {
        const int x = bed_.find([](const QString& l) { return l == "D x -"; }, transcribed_);
        QStringList presses;
        for (int i = transcribed_; i < x; ++i)
            if (const QStringList w = bed_.lines()[i].split(' ');
                w.size() == 3 && w[0] == "D" && !kModifier.match(w[1]).hasMatch())
                presses << w[1] + "/" + w[2];
        transcribed_ = x + 1;
        return (presses.join(' ') + " | " + bed_.ask("state")).toStdString();
    }
    bool focus(const QString& criteria) { return desktop::run("swaymsg", {criteria + " focus"}).has_value(); }
    // sway gives the X11 window the keyboard once it manages it; Xwayland's focus goes to it.
    bool focusX11(X11Listener& w) {
        return desktop::waitUntil([&] { return focus(QString("[id=%1]").arg(w.window())); }) && w.takeFocus();
    }
    // Lines the program wrote since it started, in order.
    QString said() { return QString::fromUtf8(contents(folder_.path() + "/said")); }
    int count(const QString& pattern) { return static_cast<int>(said().count(QRegularExpression(pattern))); }
    bool waitForSaid(const QString& pattern, int times = 1) {
        return desktop::waitUntil([&] { return count(pattern) >= times; }, 5000);
    }
    QString log() { return QString::fromUtf8(contents(folder_.path() + "/zorvane-change-hotkey.log")); }
    Program& program() { return *program_; }

private:
    Route route_;
    QTemporaryDir folder_;
    Client bed_;
    int transcribed_ = 0;  // lines up to here are in earlier transcripts
    std::optional<Program> program_;
    std::optional<QString> window_;
};

// The X11 window's presses, up to the user's x.
std::string x11Transcript(X11Listener& w) {
    QStringList presses;
    desktop::waitUntil([&] {
        for (const auto& e : w.waitForEvents(0, 50))
            if (e.press && e.keysym == XK_x) return true;
        return false;
    });
    for (const auto& e : w.events()) {
        char name[64];
        xkb_keysym_get_name(e.keysym, name, sizeof name);
        if (e.press && e.keysym != XK_x && !kModifier.match(name).hasMatch())
            presses << QString(name) + "/" + modsOf(e.state);
    }
    w.clear();
    return presses.join(' ').toStdString();
}

const QStringList kTrigger{"tap Control_L+Alt_L+j"};
const QStringList kDoubleTap{"down Control_L", "down Alt_L", "tap j", "tap j", "up Alt_L", "up Control_L"};
const QStringList kHeld{"down Control_L", "down Alt_L", "down j", "sleep 1500", "up j", "up Alt_L", "up Control_L"};

}  // namespace

// sway's own route: exactly the target, in Wayland and X11 windows alike,
// whatever the user holds, and the trigger's key never arrives.
TEST(Wayland, OnSwayEveryWindowGetsExactlyTheTarget) {
    Bed b;
    ASSERT_TRUE(b.error.isEmpty()) << b.error.toStdString() << "\n" << b.said().toStdString();
    b.type({"tap a"});
    EXPECT_EQ(b.waylandTranscript(), "a/- | held - mods -") << "positive control: the bed's keys reach the window";
    ASSERT_TRUE(b.tick(1) && b.tick(3)) << b.said().toStdString();
    const struct {
        const char* name;
        QStringList keys;
        int plays;
        std::string expected;
    } cases[] = {
        {"single", kTrigger, 1, "a/C | held - mods -"},
        {"double tap", kDoubleTap, 2, "a/C a/C | held - mods -"},
        {"held", kHeld, 1, "a/C | held - mods -"},
        {"a target that is another live trigger", {"tap Control_L+Alt_L+k"}, 1, "j/CA | held - mods -"},
    };
    for (const auto& c : cases) {
        b.type(c.keys, c.plays);
        EXPECT_EQ(b.waylandTranscript(), c.expected) << c.name;
    }
    int exact = 0;
    for (int i = 0; i < 20; ++i) {
        b.type(kTrigger, 1);
        exact += b.waylandTranscript() == "a/C | held - mods -";
    }
    EXPECT_EQ(exact, 20);

    X11Listener x11;
    ASSERT_TRUE(b.focusX11(x11));
    b.type(kTrigger, 1);
    EXPECT_EQ(x11Transcript(x11), "a/C") << "an X11 window";
    b.type(kDoubleTap, 2);
    EXPECT_EQ(x11Transcript(x11), "a/C a/C") << "an X11 window, a double tap";
}

// A chord sway binds itself is the user's; unticked or ended, the program's
// chord is gone from sway and the window gets it as it is. One a crash left
// does nothing, and the next start removes it.
TEST(Wayland, OnSwayTakenChordsAreRefusedAndBindingsGoWithTheBoxOrTheProgram) {
    Bed b;
    ASSERT_TRUE(b.error.isEmpty()) << b.error.toStdString();
    ASSERT_TRUE(b.tick(1) && b.tick(1));  // ticked, then unticked
    b.type(kTrigger);
    EXPECT_EQ(b.waylandTranscript(), "j/CA | held - mods -") << "unticked";

    ASSERT_TRUE(b.tick(1));
    ::kill(static_cast<pid_t>(b.program().pid()), SIGKILL);
    ASSERT_TRUE(b.program().waitForExit());
    b.type(kTrigger);
    EXPECT_EQ(b.waylandTranscript(), " | held - mods -") << "left by a crash";
    b.start();
    ASSERT_TRUE(b.error.isEmpty()) << b.error.toStdString();
    EXPECT_TRUE(b.waitForSaid("removed 1 sway binding\\(s\\) an earlier run left behind")) << b.said().toStdString();
    b.type(kTrigger);
    EXPECT_EQ(b.waylandTranscript(), "j/CA | held - mods -") << "the next start";

    ASSERT_TRUE(b.tick(1));
    b.click(2);  // refused: its message stays open as the program is asked to end
    EXPECT_TRUE(b.waitForSaid("sway's configuration binds Ctrl\\+Mod1\\+28 already: bindsym Ctrl\\+Alt\\+t exec true"))
        << b.said().toStdString();
    ::kill(static_cast<pid_t>(b.program().pid()), SIGTERM);
    ASSERT_TRUE(b.program().waitForExit());
    b.type(kTrigger);
    EXPECT_EQ(b.waylandTranscript(), "j/CA | held - mods -") << "after SIGTERM";
}

// Without sway's IPC the X11 route serves through Xwayland: X11 windows only,
// and the user is told so, once, as the first trigger goes live.
TEST(Wayland, ThroughXwaylandOnlyX11WindowsGetTheTargetAndTheUserIsTold) {
    Bed b(Bed::XwaylandOnly);
    ASSERT_TRUE(b.error.isEmpty()) << b.error.toStdString();
    b.tick(1);
    EXPECT_TRUE(desktop::waitUntil([&] {
        return b.log().contains("a trigger went live, but on this Wayland desktop");
    })) << b.log().toStdString();
    b.type(kTrigger);
    EXPECT_EQ(b.waylandTranscript(), "j/CA | held - mods -") << "a Wayland window";
    X11Listener x11;
    ASSERT_TRUE(b.focusX11(x11));
    b.type(kTrigger, 1);
    EXPECT_EQ(x11Transcript(x11), "a/C") << "an X11 window";
}

// With neither, the window still opens, on Qt's Wayland support (the bed
// finds it in sway's tree), and says why.
TEST(Wayland, WithoutARouteTheWindowOpensAndTheLogSaysWhy) {
    Bed b(Bed::NoX);
    ASSERT_TRUE(b.error.isEmpty()) << b.error.toStdString();
    EXPECT_TRUE(b.log().contains("keyboard route: none; " + QString::fromUtf8("此 Wayland 桌面不提供全局热键")))
        << b.log().toStdString();
    EXPECT_FALSE(b.program().waitForExit(500)) << "the program ended";
    EXPECT_FALSE(b.said().contains("No such signal")) << b.said().toStdString();
}
