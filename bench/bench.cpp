// Benchmarks of the built program on an X display: trigger-to-key latency
// beside xbindkeys and sxhkd, hold accuracy, start-up, memory and idle
// wake-ups. It prints tables; it never fails on speed.
// Usage: zorvane_bench PROGRAM [--quick]   (run by bench/run on a virtual display)

#include <sys/wait.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#define XK_LATIN1
#include <X11/keysymdef.h>

#include "core/keys/virtual_keys.h"
#include "key_watcher.h"
#include "platform/x11/vk_keysym.h"
#include "platform/x11/x11_key_injector.h"
#include "support/desktop.h"
#include "support/x11_listener.h"

namespace {

bool quick = false;
QString program;

struct Stats {
    std::vector<double> v;
    void add(double x) { v.push_back(x); }
    double at(double q) {
        if (v.empty()) return -1;
        std::sort(v.begin(), v.end());
        return v[std::min(v.size() - 1, static_cast<std::size_t>(q * (v.size() - 1) + 0.5))];
    }
};

void pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The program in a folder of its own, its set.ini written beforehand.
class Program {
public:
    explicit Program(const std::string& ini, bool trace = false) {
        QFile::copy(program, dir_.path() + "/zorvane-change-hotkey");
        std::ofstream(dir_.path().toStdString() + "/set.ini") << ini;
        if (trace) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("ZORVANE_TRACE", "1");
            p_.setProcessEnvironment(env);
        }
        started_.start();
        p_.start(dir_.path() + "/zorvane-change-hotkey", {});
        p_.waitForStarted();
    }
    // What ZORVANE_TRACE made the program say of each trigger.
    std::vector<int> roundTripsToFirstKey() {
        std::vector<int> out;
        static const QRegularExpression line("trace: first key (\\d+) round trips");
        for (auto it = line.globalMatch(stderr_()); it.hasNext();) out.push_back(it.next().captured(1).toInt());
        return out;
    }
    // The steps of each trigger (trace: steps name=ns ...), on the steady clock.
    std::vector<std::map<std::string, long long>> triggerSteps() {
        std::vector<std::map<std::string, long long>> out;
        static const QRegularExpression line("trace: steps([^\n]*)"), step("([a-z-]+)=(\\d+)");
        for (auto it = line.globalMatch(stderr_()); it.hasNext();) {
            std::map<std::string, long long> steps;
            const QString rest = it.next().captured(1);
            for (auto s = step.globalMatch(rest); s.hasNext();) {
                const auto m = s.next();
                steps[m.captured(1).toStdString()] = m.captured(2).toLongLong();
            }
            out.push_back(steps);
        }
        return out;
    }
    ~Program() {
        p_.kill();
        p_.waitForFinished(2000);
    }
    qint64 pid() const { return p_.processId(); }
    std::optional<QString> window() { return desktop::waitForWindow(QString::fromUtf8("设置"), 5000); }
    // Ticks slot n's box.
    void enable(const QString& w, int n) { desktop::clickAt(w, 310, 64 + 32 * (n - 1) + 10); }
    QElapsedTimer started_;

private:
    const QString& stderr_() {
        err_ += QString::fromUtf8(p_.readAllStandardError());
        return err_;
    }
    QTemporaryDir dir_;
    QProcess p_;
    QString err_;
};

std::string slotIni(const std::vector<std::pair<std::string, std::string>>& chords) {
    // chords: (trigger key letter, action string); every trigger is Ctrl+Alt+letter.
    std::string z = "[Zorvane]\n", text = "[conftext]\n", tip = "[conftooltip]\n";
    const std::string ctrlAlt = std::to_string((mod::Mask::Control | mod::Mask::Alt).bits());
    for (std::size_t i = 0; i < chords.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        z += "Zorvane" + n + "Text=Ctrl + Alt + " + chords[i].first + "\nZorvane" + n +
             "KeyCode=" + std::to_string(static_cast<int>(chords[i].first[0])) + "\nZorvane" + n +
             "ModKeyCode=" + ctrlAlt + "\n";
        text += std::to_string(i) + "=target\n";
        tip += std::to_string(i) + "=" + chords[i].second + "\n";
    }
    return z + text + tip;
}

// --- latency ---------------------------------------------------------------

struct LatencyRow {
    std::string tool;
    Stats microseconds;
    int trials = 0, delivered = 0;
    Stats roundTrips;
    std::vector<std::pair<KeyWatcher::Clock::time_point, KeyWatcher::Clock::time_point>> delivered_;  // press, C
};

// Taps the trigger Ctrl+Alt+J on the user's keyboard and measures, on the
// steady clock, from the press of J to the first C at the focused window.
void measureTool(LatencyRow& row, x11::X11KeyInjector& user, KeyWatcher& watcher, int trials) {
    watcher.takeFocus();
    for (int i = 0; i < trials; ++i) {
        user.keyDown(vk::LControl);
        user.keyDown(vk::LMenu);
        pump(30);  // the modifiers are down before the measured press
        watcher.clear();
        const auto pressed = KeyWatcher::Clock::now();
        user.keyDown('J');
        // A peer types only once J is up again; ours does not wait for that.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        user.keyUp('J');
        const auto arrived = watcher.waitFor(XK_c, 300);
        user.keyUp(vk::LMenu);
        user.keyUp(vk::LControl);
        ++row.trials;
        if (arrived) {
            ++row.delivered;
            row.microseconds.add(std::chrono::duration<double, std::micro>(*arrived - pressed).count());
            row.delivered_.emplace_back(pressed, *arrived);
        }
        pump(260);  // the target's 200 ms hold, and a peer's process start
    }
}

// A key typed on the user's keyboard with no program in between: C itself,
// from its press to its arrival at the focused window.
void measurePlain(LatencyRow& row, x11::X11KeyInjector& user, KeyWatcher& watcher, int trials) {
    watcher.takeFocus();
    for (int i = 0; i < trials; ++i) {
        pump(30);
        watcher.clear();
        const auto pressed = KeyWatcher::Clock::now();
        user.keyDown('C');
        const auto arrived = watcher.waitFor(XK_c, 300);
        user.keyUp('C');
        ++row.trials;
        if (arrived) {
            ++row.delivered;
            row.microseconds.add(std::chrono::duration<double, std::micro>(*arrived - pressed).count());
        }
        pump(30);
    }
}

// A key injected through XTest on the program's display, with no program
// in between: the floor of what an injected key costs there. `afterKeyboard`:
// a key typed on the keyboard just before, so the master keyboard changes
// device (the server then sends every client a keyboard mapping notice first),
// as it does for every trigger the program plays.
void measureInjected(LatencyRow& row, x11::X11KeyInjector& user, x11::X11KeyInjector& here, KeyWatcher& watcher,
                     int trials, bool afterKeyboard) {
    watcher.takeFocus();
    for (int i = 0; i < trials; ++i) {
        if (afterKeyboard) {
            user.keyDown(vk::Unassigned);
            user.keyUp(vk::Unassigned);
        } else {
            here.keyDown(vk::Unassigned);
            here.keyUp(vk::Unassigned);
        }
        pump(30);
        watcher.clear();
        const auto pressed = KeyWatcher::Clock::now();
        here.keyDown('C');
        const auto arrived = watcher.waitFor(XK_c, 300);
        here.keyUp('C');
        ++row.trials;
        if (arrived) {
            ++row.delivered;
            row.microseconds.add(std::chrono::duration<double, std::micro>(*arrived - pressed).count());
        }
        pump(30);
    }
}

// Where the program's time goes, from the steps it traced (ZORVANE_TRACE),
// each trigger matched with the trial whose press it followed.
void breakdown(const LatencyRow& row, const std::vector<std::map<std::string, long long>>& traced) {
    using Clock = KeyWatcher::Clock;
    auto ns = [](Clock::time_point t) {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
    };
    struct Span {
        const char* what;
        const char* from;
        const char* to;
        Stats us;
    };
    // "press" and "window" are the benchmark's own clock readings.
    std::vector<Span> spans = {
        {"trigger key pressed on the keyboard to the grabbed press read by the program (servers, wake-up)",
         "press",
         "read",
         {}},
        {"routing: whose press, which chord, the held key taken, the keyboard let go", "read", "fired", {}},
        {"playback start: the slot's control, the player, parsing its keys", "fired", "sync", {}},
        {"the one round trip: keys held back by the grab read, key state checked", "sync", "answered", {}},
        {"the playback decides; grabs widened for its modifiers and sent", "answered", "regrabbed", {}},
        {"to the injector's first call", "regrabbed", "first-call", {}},
        {"key lookup and the first XTest request queued", "first-call", "first-sent", {}},
        {"the rest of the batch queued and written to the server", "first-sent", "flushed", {}},
        {"written to the server to the first C at the focused window", "flushed", "window", {}},
        {"total: trigger pressed to the first C", "press", "window", {}},
    };
    int matched = 0;
    for (const auto& [pressed, arrived] : row.delivered_) {
        for (const auto& steps : traced) {
            const auto read = steps.find("read");
            if (read == steps.end() || read->second < ns(pressed) || read->second > ns(arrived)) continue;
            std::map<std::string, long long> at = steps;
            at["press"] = ns(pressed);
            at["window"] = ns(arrived);
            for (Span& s : spans)
                if (at[s.from] > 0 && at[s.to] > 0) s.us.add((at[s.to] - at[s.from]) / 1000.0);
            ++matched;
            break;
        }
    }
    if (matched == 0) return;
    std::printf(
        "\nWhere the time goes between the trigger and its first key (zorvane-change-hotkey, %d triggers;"
        " each step's own median, so they need not add up to the total's):\n\n",
        matched);
    std::printf("| step | median ms | p90 ms |\n|---|---|---|\n");
    for (Span& s : spans)
        if (!s.us.v.empty()) std::printf("| %s | %.3f | %.3f |\n", s.what, s.us.at(0.5) / 1000, s.us.at(0.9) / 1000);
}

// Two processes that spin for as long as they live: on this benchmark's
// two-core machines, every other process then waits for the scheduler.
class BusyLoops {
public:
    BusyLoops() {
        for (pid_t& pid : pids_)
            if ((pid = ::fork()) == 0)
                for (;;) asm volatile("" ::: "memory");
    }
    ~BusyLoops() {
        for (const pid_t pid : pids_)
            if (pid > 0) ::kill(pid, SIGKILL), ::waitpid(pid, nullptr, 0);
    }

private:
    pid_t pids_[2]{};
};

// The program's trigger to its first key, traced step by step.
LatencyRow measureProgram(x11::X11KeyInjector& user, KeyWatcher& watcher, int trials,
                          std::vector<std::map<std::string, long long>>& traced) {
    LatencyRow row;
    row.tool = "zorvane-change-hotkey";
    Program p(slotIni({{"J", "2|17|67"}}), true);
    if (const auto w = p.window()) {
        p.enable(*w, 1);
        measureTool(row, user, watcher, trials);
    }
    for (const int n : p.roundTripsToFirstKey()) row.roundTrips.add(n);
    traced = p.triggerSteps();
    return row;
}

void latency(x11::X11KeyInjector& user) {
    const int trials = quick ? 20 : 100;
    KeyWatcher watcher;
    if (!watcher.ok()) return;
    std::vector<LatencyRow> rows;
    std::vector<std::map<std::string, long long>> traced, tracedLoaded;
    std::vector<LatencyRow> injected;  // not in the comparison: no trigger
    rows.push_back(measureProgram(user, watcher, trials, traced));
    LatencyRow loaded, plainLoaded;
    {
        BusyLoops busy;
        loaded = measureProgram(user, watcher, trials, tracedLoaded);
        plainLoaded.tool = "plain key C (no program in between)";
        measurePlain(plainLoaded, user, watcher, trials);
    }
    QTemporaryDir dir;
    const QString xbk = dir.path() + "/xbindkeysrc", sx = dir.path() + "/sxhkdrc";
    std::ofstream(xbk.toStdString()) << "\"xdotool key ctrl+c\"\n  control+alt + j\n";
    std::ofstream(sx.toStdString()) << "ctrl + alt + j\n\txdotool key ctrl+c\n";
    for (const auto& [name, args] :
         std::vector<std::pair<std::string, QStringList>>{{"xbindkeys", {"-n", "-f", xbk}}, {"sxhkd", {"-c", sx}}}) {
        LatencyRow row;
        row.tool = name;
        QProcess peer;
        peer.start(QString::fromStdString(name), args);
        if (peer.waitForStarted()) {
            pump(500);
            measureTool(row, user, watcher, trials);
        }
        peer.kill();
        peer.waitForFinished(2000);
        rows.push_back(row);
    }
    {
        LatencyRow row;
        row.tool = "plain key C (no program in between)";
        measurePlain(row, user, watcher, trials);
        rows.push_back(row);
    }
    std::string error;
    if (auto here = x11::X11KeyInjector::open(nullptr, &error)) {
        for (const bool afterKeyboard : {false, true}) {
            LatencyRow row;
            row.tool = afterKeyboard ? "C by XTest on the program's display, after a keyboard key"
                                     : "C by XTest on the program's display, after an XTest key";
            measureInjected(row, user, *here, watcher, trials, afterKeyboard);
            injected.push_back(row);
        }
    }
    std::printf(
        "\nTrigger (Ctrl+Alt+J, tapped on a physical keyboard) to the first injected C at a focused window,"
        " %d taps each, steady clock:\n\n",
        trials);
    std::printf("| tool | median ms | p90 ms | max ms | delivered | median / ours |\n|---|---|---|---|---|---|\n");
    const double ours = rows[0].microseconds.at(0.5);
    for (auto& r : rows)
        std::printf("| %s | %.2f | %.2f | %.2f | %d/%d | %.2g× |\n", r.tool.c_str(), r.microseconds.at(0.5) / 1000,
                    r.microseconds.at(0.9) / 1000, r.microseconds.at(1.0) / 1000, r.delivered, r.trials,
                    ours > 0 ? r.microseconds.at(0.5) / ours : 0.0);
    std::printf(
        "\nRound trips to the X server between a trigger and its first key: median %.0f, max %.0f (%zu triggers)\n",
        rows[0].roundTrips.at(0.5), rows[0].roundTrips.at(1.0), rows[0].roundTrips.v.size());
    for (auto& r : injected)
        std::printf("| %s | %.2f | %.2f | %.2f | %d/%d | %.2g× |\n", r.tool.c_str(), r.microseconds.at(0.5) / 1000,
                    r.microseconds.at(0.9) / 1000, r.microseconds.at(1.0) / 1000, r.delivered, r.trials,
                    ours > 0 ? r.microseconds.at(0.5) / ours : 0.0);
    const double plain = rows.back().microseconds.at(0.5);
    if (ours > 0 && plain > 0) std::printf("Over a plain key: median %.2f ms\n", (ours - plain) / 1000);
    std::printf("\nQuiet, and loaded by two busy loops (%d taps each):\n\n", trials);
    std::printf(
        "| | quiet median ms | quiet p90 ms | loaded median ms | loaded p90 ms | loaded max ms |\n"
        "|---|---|---|---|---|---|\n");
    for (auto [quiet, busy] : {std::pair{&rows[0], &loaded}, std::pair{&rows.back(), &plainLoaded}})
        std::printf("| %s | %.2f | %.2f | %.2f | %.2f | %.2f |\n", quiet->tool.c_str(),
                    quiet->microseconds.at(0.5) / 1000, quiet->microseconds.at(0.9) / 1000,
                    busy->microseconds.at(0.5) / 1000, busy->microseconds.at(0.9) / 1000,
                    busy->microseconds.at(1.0) / 1000);
    std::printf("\nQuiet:\n");
    breakdown(rows[0], traced);
    std::printf("\nLoaded by two busy loops:\n");
    breakdown(loaded, tracedLoaded);
}

// --- hold accuracy ---------------------------------------------------------

void holds(x11::X11KeyInjector& user) {
    const int trials = quick ? 10 : 100;
    Program p(slotIni({{"J", "1|65"}, {"K", "2|17|67"}}));
    const auto w = p.window();
    if (!w) return;
    p.enable(*w, 1);
    p.enable(*w, 2);
    X11Listener listener;
    listener.takeFocus();
    std::printf("\nHold: press to release of the target at the focused window, %d plays each:\n\n", trials);
    std::printf("| target | nominal ms | min ms | median ms | p99 ms |\n|---|---|---|---|---|\n");
    for (const auto& [key, keysym, nominal, name] :
         {std::tuple{std::uint8_t('J'), x11::Keysym(XK_a), 100, "A (one key)"},
          std::tuple{std::uint8_t('K'), x11::Keysym(XK_c), 200, "Ctrl+C (two keys)"}}) {
        Stats s;
        for (int i = 0; i < trials; ++i) {
            listener.clear();
            user.keyDown(vk::LControl);
            user.keyDown(vk::LMenu);
            user.keyDown(key);
            user.keyUp(key);
            user.keyUp(vk::LMenu);
            user.keyUp(vk::LControl);
            pump(nominal + 60);
            xcb_timestamp_t down = 0, up = 0;
            for (const auto& e : listener.waitForEvents(1000000, 30))
                if (e.keysym == keysym) (e.press ? down : up) = e.time;
            if (down && up) s.add(up - down);
        }
        std::printf("| %s | %d | %.0f | %.0f | %.0f |\n", name, nominal, s.at(0), s.at(0.5), s.at(0.99));
    }
}

// --- start-up, memory, idle ------------------------------------------------

void startup() {
    const int runs = quick ? 5 : 20;
    Stats s;
    for (int i = 0; i < runs; ++i) {
        Program p("");
        if (p.window()) s.add(p.started_.elapsed());
        pump(100);
    }
    std::printf("\nStart-up: process start to the main window on screen, %d starts: median %.0f ms, max %.0f ms\n",
                runs, s.at(0.5), s.at(1.0));
    std::printf("(measured from outside by polling for the window, so an upper bound of the first expose)\n");
}

std::map<std::string, long> procValues(qint64 pid, const char* file, std::initializer_list<const char*> keys) {
    std::map<std::string, long> out;
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
    std::string line;
    while (std::getline(in, line))
        for (const char* k : keys)
            if (line.rfind(std::string(k) + ":", 0) == 0) out[k] += std::stol(line.substr(std::string(k).size() + 1));
    return out;
}

long contextSwitches(qint64 pid) {
    long total = 0;
    for (const QString& task : QDir(QString("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        auto v = procValues(pid, ("task/" + task.toStdString() + "/status").c_str(),
                            {"voluntary_ctxt_switches", "nonvoluntary_ctxt_switches"});
        total += v["voluntary_ctxt_switches"] + v["nonvoluntary_ctxt_switches"];
    }
    return total;
}

void memoryAndIdle() {
    const int idleMs = quick ? 2000 : 10000;
    Program p(slotIni({{"J", "2|17|67"}}));
    const auto w = p.window();
    if (!w) return;
    pump(1000);
    auto mem = [&] {
        auto s = procValues(p.pid(), "status", {"VmHWM", "VmRSS"});
        auto r = procValues(p.pid(), "smaps_rollup", {"Rss", "Private_Clean", "Private_Dirty"});
        return std::tuple{s["VmHWM"], r["Rss"], r["Private_Clean"] + r["Private_Dirty"], r["Private_Dirty"]};
    };
    auto idle = [&] {
        const long before = contextSwitches(p.pid());
        pump(idleMs);
        return contextSwitches(p.pid()) - before;
    };
    // Shown, without the focus.
    X11Listener other;
    other.takeFocus();
    const auto shown = mem();
    const long shownSwitches = idle();
    desktop::clickAt(*w, 280, 8);  // the minimise image hides the window
    pump(500);
    const auto hidden = mem();
    const long hiddenSwitches = idle();
    std::printf(
        "\n| window | peak RSS KiB | RSS KiB | private KiB (clean and dirty) | private dirty KiB |"
        " context switches in %d s |\n|---|---|---|---|---|---|\n",
        idleMs / 1000);
    for (const auto& [name, m, switches] :
         {std::tuple{"shown, not focused", shown, shownSwitches}, std::tuple{"hidden", hidden, hiddenSwitches}})
        std::printf("| %s | %ld | %ld | %ld | %ld | %ld |\n", name, std::get<0>(m), std::get<1>(m), std::get<2>(m),
                    std::get<3>(m), switches);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // tables appear as each part ends
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: zorvane_bench PROGRAM [--quick]\n");
        return 2;
    }
    program = argv[1];
    quick = argc > 2 && std::string(argv[2]) == "--quick";
    // The user types on the outer display, whose keys reach the program's
    // display from a keyboard device, as a person's do.
    std::string error;
    const char* outer = std::getenv("OUTER_DISPLAY");
    auto user = x11::X11KeyInjector::open(outer, &error);
    if (!user) {
        std::fprintf(stderr, "zorvane_bench: %s\n", error.c_str());
        return 1;
    }
    std::printf("zorvane-change-hotkey benchmarks%s\n", quick ? " (quick)" : "");
    latency(*user);
    holds(*user);
    startup();
    memoryAndIdle();
    return 0;
}
