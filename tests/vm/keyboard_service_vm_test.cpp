// The keyboard service in a virtual machine, as root: a uinput keyboard is
// the user's, the service grabs it, and what an application reads from the
// service's virtual keyboard is judged, trial by trial, against the target
// the program played. The program is the real slot table over the program's
// client of the service (keyboard_service_bed.h).
//
// A row is a script of the user's key events and what the application must
// see. Script words: +key and -key press and release, *key a key repeat (the
// keyboard's own, as value 2), 2+key on the second keyboard, N waits N ms, r
// waits 0-10 ms at random, ~ waits until the service and the program have
// done all that was typed (settle). Transcripts: D29 and U29 a key down and
// up, "tap" the program's mask tap (its inert key down and up).
//
// Usage: keyboard_service_vm_test --service PATH [--repeat N] [--seed N] [--only ROWS]
//        keyboard_service_vm_test --service PATH --program PATH --user-stand-in PATH [...]
//        keyboard_service_vm_test --service PATH --latency KEYS
// (ZORVANE_VM_TRACE=1 prints every trial's transcript; --only runs the rows,
// or the plugging trials, whose name contains ROWS; --program adds the built
// program's trials, run unless --only leaves them out.)

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "vm/evdev_devices.h"
#include "vm/keyboard_service_bed.h"

namespace {

using vm::KeyReader;
using vm::UinputKeyboard;

constexpr const char* kSocket = "/run/zks.sock";
// Holds are a quarter of the program's, so that 300 trials fit the tier's two minutes.
constexpr double kHoldScale = 0.25;

const std::map<std::string, int> kKeys = {{"ctrl", KEY_LEFTCTRL}, {"alt", KEY_LEFTALT}, {"q", KEY_Q},
                                          {"j", KEY_J},           {"f5", KEY_F5},       {"x", KEY_X}};

// The modifier a code is, as a chord mask (1 Alt, 2 Ctrl, 4 Shift, 8 Win); 0 for other keys.
int ModifierOf(int code) {
    switch (code) {
        case KEY_LEFTALT:
        case KEY_RIGHTALT: return 1;
        case KEY_LEFTCTRL:
        case KEY_RIGHTCTRL: return 2;
        case KEY_LEFTSHIFT:
        case KEY_RIGHTSHIFT: return 4;
        case KEY_LEFTMETA:
        case KEY_RIGHTMETA: return 8;
        default: return 0;
    }
}

struct Event {
    int code;
    bool down;
};

std::string Render(const std::vector<Event>& events, int mask) {
    std::string out;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const Event& e = events[i];
        if (e.code == mask && e.down && i + 1 < events.size() && events[i + 1].code == mask && !events[i + 1].down) {
            out += " tap";
            ++i;
            continue;
        }
        out += (e.down ? " D" : " U") + (e.code == mask ? std::string("m") : std::to_string(e.code));
    }
    return out.empty() ? out : out.substr(1);
}

std::vector<Event> Parse(const std::string& transcript, int mask) {
    std::vector<Event> events;
    std::istringstream words(transcript);
    for (std::string w; words >> w;)
        if (w == "tap")
            events.insert(events.end(), {{mask, true}, {mask, false}});
        else
            events.push_back({std::atoi(w.c_str() + 1), w[0] == 'D'});
    return events;
}

// What the application must see: the target's keys (its modifiers as a
// chord mask, its other keys as codes) pressed `low` to `high` times, and,
// where the order is certain, the whole transcript.
struct Expect {
    int mods;
    std::vector<int> keys;
    int low, high;
    std::string exact;
};

// Why the events are not the target as expected; empty when they are.
std::string Judge(const std::vector<Event>& seen, const Expect& x, int mask) {
    std::vector<bool> down(KEY_CNT);
    int presses = 0;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const Event& e = seen[i];
        if (e.code != mask && ModifierOf(e.code) == 0 && e.down) {
            if (std::find(x.keys.begin(), x.keys.end(), e.code) == x.keys.end())
                return "key " + std::to_string(e.code) + " is not the target's";
            int mods = 0;
            for (int code = 0; code < KEY_CNT; ++code)
                if (down[code]) mods |= ModifierOf(code);
            if (mods != x.mods)
                return "key " + std::to_string(e.code) + " went down with modifiers " + std::to_string(mods) +
                       ", not " + std::to_string(x.mods);
            if (e.code == x.keys.front()) ++presses;
        }
        if (!e.down && ModifierOf(e.code) && i > 0 && seen[i - 1].code == e.code && seen[i - 1].down)
            return "a lone tap of modifier " + std::to_string(e.code);
        down[std::size_t(e.code)] = e.down;
    }
    for (int code = 0; code < KEY_CNT; ++code)
        if (down[code]) return "key " + std::to_string(code) + " is left down";
    if (presses < x.low || presses > x.high)
        return "the target came " + std::to_string(presses) + " times, not " + std::to_string(x.low) + "-" +
               std::to_string(x.high);
    if (!x.exact.empty() && Render(seen, mask) != x.exact) return "not in the order expected: " + x.exact;
    return {};
}

// The slots the program has live: trigger → target.
const std::vector<vm::Program::Slot> kSlots = {
    {mod::Mask::Alt, 0x74, "1|116"},                        // Alt+F5 → F5, the trigger's own key
    {mod::Mask::Control, 'Q', "2|17|67"},                   // Ctrl+Q → Ctrl+C, a modifier shared
    {mod::Mask::Control | mod::Mask::Alt, 'J', "2|17|65"},  // Ctrl+Alt+J → Ctrl+A, one shared, one not
};
const Expect kF5{0, {KEY_F5}, 1, 1, ""}, kCtrlC{2, {KEY_C}, 1, 1, ""}, kCtrlA{2, {KEY_A}, 1, 1, ""};

Expect With(Expect x, int low, int high, std::string exact) {
    x.low = low, x.high = high, x.exact = std::move(exact);
    return x;
}

struct Row {
    const char* name;
    const char* script;
    Expect expect;
    bool played;  // the program plays the target (or the user types it)
};

const std::vector<Row> kRows = {
    {"a plain key", "+x -x", {0, {KEY_X}, 1, 1, "D45 U45"}, false},
    {"a chord's key alone", "+q -q", {0, {KEY_Q}, 1, 1, "D16 U16"}, false},
    {"a chord's key, other modifiers", "+ctrl +j -j -ctrl", {2, {KEY_J}, 1, 1, "D29 D36 U36 U29"}, false},
    {"Alt+F5 → F5", "+alt +f5 ~ -f5 -alt", With(kF5, 1, 1, "D56 tap tap U56 D63 U63 D56 tap U56"), true},
    {"Ctrl+Q → Ctrl+C", "+ctrl +q ~ -q -ctrl", With(kCtrlC, 1, 1, "D29 tap D46 U46 U29"), true},
    {"Ctrl+Alt+J → Ctrl+A", "+ctrl +alt +j ~ -j -alt -ctrl",
     With(kCtrlA, 1, 1, "D29 D56 tap tap U56 D30 U30 D56 tap U56 U29"), true},
    {"held, repeats once idle", "+ctrl +q ~ *q ~ *q ~ -q -ctrl",
     With(kCtrlC, 3, 3, "D29 tap D46 U46 D46 U46 D46 U46 U29"), true},
    {"held, repeats at 10 ms", "+ctrl +q *q 10 *q 10 *q 10 *q 10 *q 10 *q ~ -q -ctrl", With(kCtrlC, 1, 7, ""), true},
    // The second press may come during the first target: the tap beside it
    // falls anywhere, so only the targets are judged.
    {"double tap", "+ctrl +q -q +q -q ~ -ctrl", With(kCtrlC, 2, 2, ""), true},
    {"double tap, a modifier let go of", "+ctrl +alt +j -j +j -j ~ -alt -ctrl", With(kCtrlA, 2, 2, ""), true},
    {"rolled release, Ctrl+Q", "+ctrl +q r -q r -ctrl", kCtrlC, true},
    {"rolled release, Ctrl+Alt+J", "+ctrl +alt +j r -j r -alt r -ctrl", kCtrlA, true},
    {"rolled release, Alt+F5", "+alt +f5 r -alt r -f5", kF5, true},
};

// What an application saw since the last clear(), without the sentinels.
std::vector<Event> Seen(const KeyReader& app, const int (&sentinel)[2]) {
    std::vector<Event> out;
    for (const input_event& e : app.events())
        if (e.type == EV_KEY && e.value != 2 && e.code != sentinel[0] && e.code != sentinel[1])
            out.push_back({e.code, e.value == 1});
        else if (e.type == EV_SYN)
            out.push_back({0, true});  // SYN_DROPPED: the judge calls it a key that is not the target's
    return out;
}

// The user, the application and the program, and the verbs the trials share.
struct Bed {
    UinputKeyboard& first;
    std::unique_ptr<UinputKeyboard> second;
    KeyReader& app;
    vm::Program& program;
    std::mt19937 dice;
    // Keys that mark "everything before me is through": one per keyboard,
    // as the service reads the keyboards in no set order between them.
    int sentinel[2] = {KEY_F21, KEY_F22};

    // Everything typed so far has gone through the service, every hit has
    // been played, and every key the program sent is at the application.
    bool settle() {
        UinputKeyboard* keyboards[2] = {&first, second.get()};
        int missing = 0;
        for (int k = 0; k < 2; ++k)
            if (keyboards[k]) keyboards[k]->key(sentinel[k], 1), keyboards[k]->key(sentinel[k], 0), ++missing;
        if (!app.readUntil([&](const input_event& e) {
                return e.value == 0 && (e.code == sentinel[0] || e.code == sentinel[1]) && --missing == 0;
            }))
            return false;
        program.settle();
        app.drain();
        return true;
    }

    // Types a script; false when the service let a settle's key through to no one.
    bool perform(const std::string& script) {
        std::istringstream words(script);
        for (std::string w; words >> w;) {
            if (w == "~") {
                if (!settle()) return false;
            } else if (w == "r") {
                app.readUntil([](const input_event&) { return false; }, int(dice() % 11));
            } else if (std::all_of(w.begin(), w.end(), [](char c) { return c >= '0' && c <= '9'; })) {
                app.readUntil([](const input_event&) { return false; }, std::atoi(w.c_str()));
            } else {
                UinputKeyboard& on = w[0] == '2' ? *second : first;
                if (w[0] == '2') w.erase(0, 1);
                on.key(kKeys.at(w.substr(1)), w[0] == '+' ? 1 : w[0] == '-' ? 0 : 2);
            }
        }
        return settle();
    }

    std::vector<Event> seen() const { return Seen(app, sentinel); }

    // One trial: the script typed, and what the application saw judged.
    void trial(vm::Verdicts& verdicts, const std::string& name, const std::string& script, const Expect& expect,
               bool played) {
        app.clear();
        const int before = program.plays();
        const bool through = perform(script);
        const std::vector<Event> events = seen();
        std::string why = through ? Judge(events, expect, program.maskCode()) : "the service passed nothing through";
        int presses = 0;
        for (const Event& e : events) presses += e.down && e.code == expect.keys.front();
        if (why.empty() && played && program.plays() - before != presses)
            why = "the program played " + std::to_string(program.plays() - before) + " times";
        verdicts.check(why.empty(), name, why + " | seen: " + Render(events, program.maskCode()));
        if (std::getenv("ZORVANE_VM_TRACE"))
            std::printf("%s: %s\n", name.c_str(), Render(events, program.maskCode()).c_str());
    }
};

// The judge itself: every kind of fault is told, and the exact target is not.
void JudgeTheJudge(vm::Verdicts& verdicts) {
    const int mask = 200;
    const Expect x = With(kCtrlA, 1, 1, "D29 D56 tap U56 D30 U30 D56 tap U56 U29");
    const struct {
        const char* seen;
        bool good;
    } rows[] = {
        {"D29 D56 tap U56 D30 U30 D56 tap U56 U29", true},
        {"D29 D56 D30 U30 U56 U29", false},                          // Alt too
        {"D29 D56 tap U56 D36 U36 D30 U30 D56 tap U56 U29", false},  // the trigger's key
        {"D29 D56 U56 D30 U30 U29", false},                          // Alt alone
        {"D29 D56 tap U56 D30 U30 D56 tap", false},                  // Alt and Ctrl left down
        {"D29 D56 tap U56 D30 U30 D30 U30 D56 tap U56 U29", false},  // twice
        {"D29 D56 tap U56 D56 tap U56 U29", false},                  // not at all
        {"D29 D56 tap U56 D30 D56 tap U56 U30 U29", false},          // in another order
    };
    for (const auto& row : rows) {
        const std::string why = Judge(Parse(row.seen, mask), x, mask);
        verdicts.check(why.empty() == row.good, std::string("the judge on ") + row.seen, why.empty() ? "passed" : why);
    }
}

double At(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(q * double(v.size() - 1) + 0.5))];
}

void PrintRow(const char* what, const std::vector<double>& ms) {
    std::printf("| %s | %.3f | %.3f | %.3f | %zu |\n", what, At(ms, 0.5), At(ms, 0.99), At(ms, 1), ms.size());
}

// Key written on a keyboard → the key event's time stamp at a reader.
std::vector<double> KeyTimes(UinputKeyboard& keyboard, KeyReader& reader, int keys) {
    std::vector<double> ms;
    for (int i = 0; i < keys; ++i)
        for (const int value : {1, 0}) {
            const double at = keyboard.key(KEY_X, value);
            if (reader.readUntilKey(KEY_X, value)) ms.push_back(KeyReader::StampMs(reader.events().back()) - at);
        }
    return ms;
}

int Latency(const std::string& service, int keys) {
    UinputKeyboard keyboard("VM test keyboard");
    KeyReader direct(keyboard.path());
    const std::vector<double> plain = KeyTimes(keyboard, direct, keys);
    vm::ServiceProcess process(service, kSocket);
    if (const std::string why = process.start(); !why.empty()) return std::printf("latency: %s\n", why.c_str()), 1;
    KeyReader app(process.keyboard());
    vm::Program program(kSocket, kSlots, kHoldScale);
    if (!program.error().empty()) return std::printf("latency: %s\n", program.error().c_str()), 1;
    Bed bed{keyboard, nullptr, app, program, std::mt19937(1)};
    const std::vector<double> through = KeyTimes(keyboard, app, keys);
    std::vector<double> trigger;
    for (int i = 0; i < std::max(20, keys / 10); ++i) {
        bed.perform("+ctrl");
        const double at = keyboard.key(KEY_Q, 1);
        if (app.readUntilKey(KEY_C, 1)) trigger.push_back(KeyReader::StampMs(app.events().back()) - at);
        bed.perform("-q -ctrl");
    }
    std::printf("| in the VM (software emulation) | median ms | p99 ms | max ms | events |\n|---|---|---|---|---|\n");
    PrintRow("a key, read from the keyboard itself", plain);
    PrintRow("a key, through the service", through);
    PrintRow("trigger Ctrl+Q → first C, service and program", trigger);
    return 0;
}

void Trials(vm::Verdicts& verdicts, const std::string& service, int repeat, unsigned seed, const char* only) {
    JudgeTheJudge(verdicts);
    UinputKeyboard keyboard("VM test keyboard");
    KeyReader direct(keyboard.path());
    keyboard.key(KEY_X, 1), keyboard.key(KEY_X, 0);
    direct.readUntilKey(KEY_X, 0);
    verdicts.check(direct.transcript() == "D45 U45", "a key read from the keyboard itself", direct.transcript());

    vm::ServiceProcess process(service, kSocket);
    const std::string why = process.start();
    verdicts.check(why.empty(), "the service starts", why);
    if (!why.empty()) return;
    KeyReader app(process.keyboard());
    direct.clear();

    const std::string stranger = vm::ConnectAs(kSocket, 1000);
    verdicts.check(stranger != "welcome", "another user is refused", stranger);
    vm::Program program(kSocket, kSlots, kHoldScale);
    verdicts.check(program.error().empty(), "the program connects and its triggers go live", program.error());
    if (!program.error().empty()) return (void)std::printf("%s", process.log().c_str());
    verdicts.check(program.maskCode() != KEY_F21 && program.maskCode() != KEY_F22, "the mask tap is no settle's key",
                   std::to_string(program.maskCode()));
    const std::string second = vm::ConnectAs(kSocket, 0);
    verdicts.check(second != "welcome", "a second client is refused", second);

    Bed bed{keyboard, nullptr, app, program, std::mt19937(seed)};
    for (int i = 0; i < repeat; ++i)
        for (const Row& row : kRows)
            if (std::strstr(row.name, only)) bed.trial(verdicts, row.name, row.script, row.expect, row.played);

    // A keyboard plugged in is taken, and one pulled out lets go of its keys.
    for (int i = 0; i < (std::strstr("plugged in", only) ? 5 : 0); ++i) {
        bed.second = std::make_unique<UinputKeyboard>("VM second keyboard");
        bool taken = false;
        for (const double until = vm::NowMs() + vm::kPatienceMs; !taken && vm::NowMs() < until;) {
            bed.second->key(bed.sentinel[1], 1), bed.second->key(bed.sentinel[1], 0);
            taken = app.readUntilKey(bed.sentinel[1], 0, 20);
        }
        verdicts.check(taken, "a keyboard plugged in is taken", "nothing typed on it came through");
        if (!taken) break;
        bed.trial(verdicts, "a trigger on it", "2+ctrl 2+q ~ 2-q 2-ctrl", With(kCtrlC, 1, 1, "D29 tap D46 U46 U29"),
                  true);
        bed.trial(verdicts, "a chord across two keyboards", "+ctrl 2+q ~ 2-q -ctrl",
                  With(kCtrlC, 1, 1, "D29 tap D46 U46 U29"), true);
        app.clear();
        bed.perform("2+x");
        bed.second.reset();
        app.readUntilKey(KEY_X, 0);
        const std::string seen = Render(bed.seen(), program.maskCode());
        verdicts.check(seen == "D45 U45" && app.down().empty(), "a key held on a keyboard pulled out",
                       seen + " | down: " + app.down());
    }
    direct.drain();
    verdicts.check(direct.transcript().empty(), "no other reader gets the keyboard's keys", direct.transcript());

    // Killed while the program holds Ctrl+C: the virtual keyboard goes (the
    // kernel releases its keys, which a reader that has not read them yet
    // learns from ENODEV), and so does the grab.
    app.clear();
    program.setHoldScale(1000);
    keyboard.key(KEY_LEFTCTRL, 1), keyboard.key(KEY_Q, 1);
    const bool holding = app.readUntilKey(KEY_C, 1);
    process.kill();
    app.readUntil([](const input_event&) { return false; });
    verdicts.check(holding && (app.gone() || app.down().empty()), "killed mid-hold, nothing stays down",
                   app.transcript() + " | down: " + app.down() + (app.gone() ? " | gone" : " | still there"));
    keyboard.key(KEY_Q, 0), keyboard.key(KEY_LEFTCTRL, 0), keyboard.key(KEY_Z, 1), keyboard.key(KEY_Z, 0);
    direct.readUntilKey(KEY_Z, 0);
    verdicts.check(direct.transcript() == "U16 U29 D44 U44", "killed, the keyboard is the user's again",
                   direct.transcript());
    if (verdicts.failed()) std::printf("The service's log:\n%s", process.log().c_str());
}

// The built program, in a folder of its own where its set.ini holds slot 1's
// trigger Ctrl+Q → Ctrl+C. Its box is clear at every start: the user's stand-in
// loaded into it (user_ticks_box.cpp) clicks it.
constexpr const char* kProgramFolder = "/tmp/program";
constexpr const char* kProgramSettings =
    "[Zorvane]\nZorvane1Text=Ctrl + Q\nZorvane1KeyCode=81\nZorvane1ModKeyCode=2\n"
    "[conftext]\n0=Ctrl + C\n[conftooltip]\n0=2|17|67\n";

std::string Contents(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Starts the program copied into its folder with no display, the service at
// kSocket, and its standard output and error in the folder's file "stderr".
pid_t StartBuiltProgram(const std::string& binary, const std::string& standIn) {
    const std::string folder = kProgramFolder, exe = folder + "/zorvane-change-hotkey";
    ::mkdir(folder.c_str(), 0755);
    {
        std::ifstream in(binary, std::ios::binary);
        std::ofstream out(exe, std::ios::binary | std::ios::trunc);
        out << in.rdbuf();
    }
    ::chmod(exe.c_str(), 0755);
    std::ofstream(folder + "/set.ini") << kProgramSettings;
    const int errors = ::open((folder + "/stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(errors, 1);
        dup2(errors, 2);
        if (chdir(folder.c_str()) != 0) _exit(126);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("ZORVANE_KEYBOARD_SERVICE", kSocket, 1);
        setenv("LD_PRELOAD", standIn.c_str(), 1);
        setenv("ZORVANE_VM_TICK", "1", 1);
        execl(exe.c_str(), exe.c_str(), nullptr);
        _exit(127);
    }
    ::close(errors);
    return pid;
}

// Types keys, then a sentinel, and reads until the sentinel is through and
// nothing is down; what the application saw, without the sentinel.
std::vector<Event> TypeAndRead(UinputKeyboard& keyboard, KeyReader& app, const std::vector<std::pair<int, int>>& keys,
                               bool* through) {
    static constexpr int kSentinel[2] = {KEY_F21, KEY_F21};
    app.clear();
    for (const auto& [code, value] : keys) keyboard.key(code, value);
    keyboard.key(KEY_F21, 1), keyboard.key(KEY_F21, 0);
    *through = app.readUntilKey(KEY_F21, 0);
    // A key the program let go of after the user did comes after the sentinel.
    if (!app.down().empty()) app.readUntil([&](const input_event&) { return app.down().empty(); });
    return Seen(app, kSentinel);
}

// The built program with the service: it takes the service's route, a trigger
// typed on the keyboard reaches the application as exactly its target, and
// SIGTERM ends it with nothing left down and the trigger the user's keys again.
void BuiltProgramTrials(vm::Verdicts& verdicts, const std::string& service, const std::string& binary,
                        const std::string& standIn, int trials) {
    UinputKeyboard keyboard("VM user keyboard");
    vm::ServiceProcess process(service, kSocket);
    const std::string why = process.start();
    verdicts.check(why.empty(), "the service starts for the built program", why);
    if (!why.empty()) return;
    KeyReader app(process.keyboard());
    const std::string folder = kProgramFolder, log = folder + "/zorvane-change-hotkey.log", errors = folder + "/stderr";
    const auto said = [&] { return " | stderr: " + Contents(errors) + " | log: " + Contents(log); };

    // Qt starts slowly under software emulation: a generous wait.
    const pid_t pid = StartBuiltProgram(binary, standIn);
    int status = 0;
    bool ended = false;
    for (const double until = vm::NowMs() + 4 * vm::kPatienceMs; vm::NowMs() < until; vm::SleepMs(20)) {
        ended = waitpid(pid, &status, WNOHANG) == pid;
        if (ended || Contents(errors).find("vm-user:") != std::string::npos) break;
    }
    const bool routed = Contents(log).find("keyboard route: the keyboard service") != std::string::npos;
    const bool live = Contents(errors).find("vm-user: Check1 ticked") != std::string::npos;
    verdicts.check(routed, "the built program takes the service's route", said());
    verdicts.check(live, "the built program's slot 1 goes live", said());
    if (!routed || !live) {
        if (!ended) ::kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
        std::printf("The service's log:\n%s", process.log().c_str());
        return;
    }

    const int mask = vm::DefaultMaskCode();
    // The user lets go while the program may still be playing, which may
    // mask Ctrl's release with a tap: the order is not pinned, the target is.
    const Expect& ctrlC = kCtrlC;
    bool through = false;
    for (int i = 0; i < trials; ++i) {
        // The user lets go once the target is through: the program acts while the trigger is held.
        app.clear();
        keyboard.key(KEY_LEFTCTRL, 1), keyboard.key(KEY_Q, 1);
        app.readUntilKey(KEY_C, 0);
        const std::vector<Event> before = Seen(app, {KEY_F21, KEY_F21});
        std::vector<Event> seen = TypeAndRead(keyboard, app, {{KEY_Q, 0}, {KEY_LEFTCTRL, 0}}, &through);
        seen.insert(seen.begin(), before.begin(), before.end());
        const std::string fault = through ? Judge(seen, ctrlC, mask) : "the service passed nothing through";
        verdicts.check(fault.empty(), "the built program: Ctrl+Q → Ctrl+C", fault + " | seen: " + Render(seen, mask));
        if (!fault.empty()) break;  // each trial after would wait out its patience the same way
    }

    ::kill(pid, SIGTERM);
    for (const double until = vm::NowMs() + vm::kPatienceMs; !ended && vm::NowMs() < until; vm::SleepMs(20))
        ended = waitpid(pid, &status, WNOHANG) == pid;
    verdicts.check(ended && WIFEXITED(status) && WEXITSTATUS(status) == 0, "SIGTERM ends the built program",
                   (ended ? "status " + std::to_string(status) : std::string("still running")) + said());
    if (!ended) ::kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
    std::vector<Event> seen = TypeAndRead(keyboard, app, {}, &through);
    verdicts.check(through && seen.empty() && app.down().empty(), "the built program ended, nothing is left down",
                   Render(seen, mask) + " | down: " + app.down());
    seen = TypeAndRead(keyboard, app, {{KEY_LEFTCTRL, 1}, {KEY_Q, 1}, {KEY_Q, 0}, {KEY_LEFTCTRL, 0}}, &through);
    verdicts.check(Render(seen, mask) == "D29 D16 U16 U29", "the built program ended, its trigger is the user's keys",
                   Render(seen, mask));
    verdicts.check(Contents(folder + "/set.ini").find("Zorvane1KeyCode=81") != std::string::npos,
                   "the built program ended, its chord is kept", Contents(folder + "/set.ini"));
    if (verdicts.failed()) std::printf("The program:%s\nThe service's log:\n%s", said().c_str(), process.log().c_str());
}

}  // namespace

int main(int argc, char** argv) try {
    std::string service, builtProgram, standIn;
    int repeat = 25, latency = 0;
    unsigned seed = 1;
    const char* only = "";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--service") service = argv[i + 1];
        if (option == "--repeat") repeat = std::atoi(argv[i + 1]);
        if (option == "--latency") latency = std::atoi(argv[i + 1]);
        if (option == "--seed") seed = unsigned(std::atoi(argv[i + 1]));
        if (option == "--only") only = argv[i + 1];
        if (option == "--program") builtProgram = argv[i + 1];
        if (option == "--user-stand-in") standIn = argv[i + 1];
    }
    if (service.empty()) return std::printf("usage: keyboard_service_vm_test --service PATH [--repeat N]\n"), 2;
    std::printf("seed %u\n", seed);
    if (latency > 0) return Latency(service, latency);
    vm::Verdicts verdicts;
    Trials(verdicts, service, repeat, seed, only);
    if (!builtProgram.empty() && std::strstr("the built program", only))
        BuiltProgramTrials(verdicts, service, builtProgram, standIn, 10);
    return verdicts.Finish();
} catch (const std::exception& e) {
    std::printf("keyboard_service_vm_test: %s\n0 passed, 1 failed\n", e.what());
    return 1;
}
