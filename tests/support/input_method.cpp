#include "support/input_method.h"

#include <QDir>
#include <QFile>
#include <fstream>
#include <sstream>

#include "support/desktop.h"
#include "support/spin.h"
#include "support/temp_dir.h"

namespace {

// Keyboard first, pinyin second: the first is "English", and Left Shift
// alone switches between the two.
constexpr char kProfile[] = R"([Groups/0]
Name=Default
Default Layout=us
DefaultIM=pinyin

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=pinyin
Layout=

[GroupOrder]
0=Default
)";

int occurrences(const std::string& text, const std::string& token) {
    int n = 0;
    for (std::size_t at = text.find(token); at != std::string::npos; at = text.find(token, at + token.size())) ++n;
    return n;
}

}  // namespace

InputMethod::InputMethod() {
    if (!dir_.isValid()) {
        error = "no temporary folder";
        return;
    }
    QDir(dir_.path()).mkpath("config/fcitx5");
    QDir(dir_.path()).mkpath("data");
    std::ofstream(dir_.filePath("config/fcitx5/profile").toStdString()) << kProfile;

    bus_.setProgram("dbus-daemon");
    bus_.setArguments({"--session", "--nofork", "--nopidfile", "--print-address=1"});
    bus_.start();
    if (!bus_.waitForStarted(5000) ||
        !spinUntil([&] { return bus_.canReadLine() || bus_.state() != QProcess::Running; }, 5000) ||
        !bus_.canReadLine()) {
        error = "dbus-daemon did not start";
        return;
    }
    busAddress_ = QString::fromUtf8(bus_.readLine()).trimmed();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", busAddress_);
    env.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
    env.insert("XDG_DATA_HOME", dir_.filePath("data"));
    fcitx_.setProcessEnvironment(env);
    fcitx_.setProgram("fcitx5");
    // Debug level: it logs each key event it handles and each switch with its reason.
    fcitx_.setArguments({"--verbose=*=5"});
    fcitx_.setStandardOutputFile(dir_.filePath("fcitx5.log"));
    fcitx_.setStandardErrorFile(dir_.filePath("fcitx5.log"), QIODevice::Append);
    fcitx_.start();
    // Pinyin is the last addon to load; until then Shift has nothing to switch to.
    if (!fcitx_.waitForStarted(5000) ||
        !spinUntil([&] { return log().find("Loaded addon pinyin") != std::string::npos; }, 20000) ||
        remote({}).isEmpty()) {
        error = "fcitx5 did not start: " + log().substr(0, 2000);
        return;
    }
}

InputMethod::~InputMethod() {
    for (QProcess* p : {&fcitx_, &bus_}) {
        if (p->state() == QProcess::NotRunning) continue;
        p->terminate();
        if (!p->waitForFinished(3000)) {
            p->kill();
            p->waitForFinished(1000);
        }
    }
}

QProcessEnvironment InputMethod::clientEnvironment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", busAddress_);
    env.insert("XMODIFIERS", "@im=fcitx");
    env.insert("GTK_IM_MODULE", "fcitx");
    env.insert("LANG", "C.UTF-8");  // XIM needs a locale Xlib knows
    env.remove("LC_ALL");
    return env;
}

std::string InputMethod::log() const { return readBytes(dir_.filePath("fcitx5.log").toStdString()); }

int InputMethod::switches() const { return occurrences(log(), "Input method switched"); }

int InputMethod::keyEventsHandled(const std::string& keysym, bool release) const {
    return occurrences(log(), "origKey: Key(" + keysym + " states=0) Release:" + (release ? "1" : "0"));
}

int InputMethod::logLines() const { return occurrences(log(), "\n"); }

std::string InputMethod::keyLog(int from) const {
    std::istringstream in(log());
    std::string line, out;
    for (int n = 0; std::getline(in, line); ++n)
        if (n >= from && (line.find("KeyEvent:") != std::string::npos || line.find("switch") != std::string::npos ||
                          line.find("Switch") != std::string::npos))
            out += line.substr(line.find(']') == std::string::npos ? 0 : line.find(']') + 2) + "\n";
    return out;
}

QString InputMethod::remote(const QStringList& args) const {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", busAddress_);
    p.setProcessEnvironment(env);
    p.start("fcitx5-remote", args);
    if (!p.waitForFinished(5000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

int InputMethod::state() const { return remote({}).toInt(); }

bool InputMethod::activate() const {
    // A client's focus reaches the input method a moment after the window's.
    return spinUntil(
        [&] {
            remote({"-o"});
            return state() == 2;
        },
        5000);
}

ImClient::ImClient(Kind kind, const QProcessEnvironment& env) : kind_(kind) {
    process_.setProcessEnvironment(env);
    QString title;
    if (kind == XimTerminal) {
        title = "zorvane xim terminal";
        // Raw, so that every byte a key makes reaches the file at once.
        const QString file = dir_.filePath("typed");
        QFile(file).open(QIODevice::WriteOnly);
        process_.start("xterm", {"-T", title, "-geometry", "60x8+0+0", "-e", "sh", "-c",
                                 "stty raw -echo; exec dd of='" + file + "' bs=1 status=none"});
    } else {
        title = "zorvane gtk field";
        process_.start(ZORVANE_GTK_FIELD, {});  // Debian's python3 with GTK, by its first line
    }
    if (!process_.waitForStarted(5000)) {
        error = "the client did not start";
        return;
    }
    const auto window = desktop::waitForWindow(title, 10000);
    if (!window) {
        error = "the client's window did not appear: " + process_.readAllStandardError().toStdString();
        return;
    }
    window_ = *window;
    if (kind == Gtk3Field && !waitFor("ready\n", 0)) error = "the GTK field did not get ready";
}

ImClient::~ImClient() {
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(1000);
    }
}

bool ImClient::focus() { return desktop::run("xdotool", {"windowfocus", "--sync", window_}, 5000).has_value(); }

std::string ImClient::received() {
    if (kind_ == XimTerminal) return readBytes(dir_.filePath("typed").toStdString());
    lines_ += process_.readAllStandardOutput().toStdString();
    return lines_;
}

int ImClient::count(const std::string& token, std::size_t from) {
    const std::string all = received();
    return from >= all.size() ? 0 : occurrences(all.substr(from), token);
}

bool ImClient::waitFor(const std::string& token, std::size_t from, int times, int timeoutMs) {
    return spinUntil([&] { return count(token, from) >= times; }, timeoutMs);
}
