// The key ledger fed recorded sequences of raw key events, as the X server
// sends them, with the program's own injections announced among them.
//
// A sequence is written one step a line:
//   we +Ctrl @12            the program sends a press of Ctrl as request 12
//   kbd -Ctrl               a raw release from a keyboard
//   xt +C @13 t40           a raw press from the XTest device, during request
//                           13, at server time 40 (default: 100 ms after the last)
//   newxt +C @13            from an XTest device met only now
//   ... => ours [unseen]    what the ledger judged it: ours, other, keyboard
//   grab C t40 => keyboard  whose a press a grab delivered is
//   logical: Ctrl C         the keys down for applications, exactly;
//   held: / injected: / repeats:  likewise
//   seed logical=Ctrl keyboards=Ctrl xtest=-    the server's state at the start
//   reconcile logical=- keyboards=? xtest=- later=Shift
//                           the server's answers (- none down, ? no answer) and
//                           the keys with events newer than them

#include "platform/x11/key_ledger.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

using x11::KeyBits;
using x11::KeyLedger;
using x11::KeySource;

namespace {

// Keycodes of the evdev layout.
const std::map<std::string, x11::Keycode> kKeys = {{"Shift", 50}, {"Ctrl", 37}, {"Alt", 64}, {"A", 38},
                                                   {"C", 54},     {"J", 44},    {"Z", 52}};

std::string nameOf(int kc) {
    for (const auto& [name, code] : kKeys)
        if (code == kc) return name;
    return std::to_string(kc);
}

std::string namesOf(const KeyBits& keys) {
    std::string out;
    for (int kc = 0; kc < 256; ++kc)
        if (keys[kc]) out += (out.empty() ? "" : " ") + nameOf(kc);
    return out;
}

x11::Keycode keyOf(const std::string& name) {
    const auto it = kKeys.find(name);
    if (it == kKeys.end()) throw std::runtime_error("no key " + name);
    return it->second;
}

// "Ctrl,C" or "Ctrl C"; "-" or nothing for none; "?" for no answer.
std::optional<KeyBits> keysOf(const std::string& list) {
    if (list == "?") return std::nullopt;
    KeyBits keys;
    std::string spaced = list;
    std::replace(spaced.begin(), spaced.end(), ',', ' ');
    std::istringstream in(spaced);
    for (std::string name; in >> name;)
        if (name != "-") keys.set(keyOf(name));
    return keys;
}

std::string sourceName(KeySource s) {
    return s == KeySource::Ours ? "ours" : s == KeySource::OtherInjection ? "other" : "keyboard";
}

// Runs a sequence; every line whose outcome differs is reported with the line.
void Replay(const std::vector<std::string>& lines) {
    KeyLedger ledger;
    std::uint32_t time = 0;
    std::uint16_t lastRequest = 0;
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        std::string text = line, expected;
        if (const auto arrow = line.find("=>"); arrow != std::string::npos) {
            text = line.substr(0, arrow);
            expected = line.substr(arrow + 2);
            expected.erase(0, expected.find_first_not_of(' '));
        }
        std::istringstream in(text);
        std::string verb;
        in >> verb;
        std::vector<std::string> args;
        for (std::string a; in >> a;) args.push_back(a);
        // @n, tn and name=value arguments.
        std::optional<std::uint16_t> request;
        std::optional<std::uint32_t> at;
        std::map<std::string, std::string> named;
        for (const std::string& a : args) {
            if (a[0] == '@')
                request = static_cast<std::uint16_t>(std::stoi(a.substr(1)));
            else if (a[0] == 't' && a.size() > 1 && std::isdigit(static_cast<unsigned char>(a[1])))
                at = static_cast<std::uint32_t>(std::stoul(a.substr(1)));
            else if (const auto eq = a.find('='); eq != std::string::npos)
                named[a.substr(0, eq)] = a.substr(eq + 1);
        }
        auto set = [&](const char* name) { return named.contains(name) ? keysOf(named[name]) : KeyBits(); };

        if (verb.back() == ':') {  // a state
            std::string want;
            for (const std::string& a : args) want += (want.empty() ? "" : " ") + a;
            KeyBits actual;
            if (verb == "logical:")
                actual = ledger.logical();
            else if (verb == "held:")
                actual = ledger.held();
            else if (verb == "injected:")
                actual = ledger.injected();
            else if (verb == "repeats:")
                for (const auto& [name, kc] : kKeys) actual.set(kc, ledger.pressRepeats(kc));
            else
                FAIL() << "no state " << verb;
            EXPECT_EQ(namesOf(actual), namesOf(*keysOf(want)));
        } else if (verb == "we") {
            lastRequest = request.value_or(static_cast<std::uint16_t>(lastRequest + 1));
            ledger.announce(lastRequest, keyOf(args[0].substr(1)), args[0][0] == '+');
        } else if (verb == "kbd" || verb == "xt" || verb == "newxt") {
            KeyLedger::RawKey key;
            key.kc = keyOf(args[0].substr(1));
            key.press = args[0][0] == '+';
            key.from = verb == "kbd"  ? KeyLedger::RawKey::From::Keyboard
                       : verb == "xt" ? KeyLedger::RawKey::From::XTest
                                      : KeyLedger::RawKey::From::NewXTest;
            key.sequence = request.value_or(lastRequest);
            time = at.value_or(time + 100);
            key.time = time;
            const KeyLedger::Seen seen = ledger.onRaw(key);
            if (!expected.empty()) {
                EXPECT_EQ(sourceName(seen.source) + (seen.unseen ? " unseen" : ""), expected);
            }
        } else if (verb == "grab") {
            const KeySource source = ledger.sourceOf(keyOf(args[0]), at.value_or(time));
            EXPECT_EQ(sourceName(source), expected);
        } else if (verb == "seed") {
            ledger.seed(*set("logical"), *set("keyboards"), *set("xtest"));
        } else if (verb == "reconcile") {
            ledger.reconcile(set("logical"), set("keyboards"), set("xtest"), *set("later"));
        } else {
            FAIL() << "no step " << verb;
        }
    }
}

}  // namespace

TEST(KeyLedger, TellsTheProgramsKeysFromAnotherProgramsByTheirOrder) {
    Replay({
        "we +Ctrl @10",
        "we +C @11",
        // Carried out before our first request: another program's (xdotool).
        "xt +Ctrl @9 => other",
        "xt +Ctrl @10 => ours",
        "xt +C @11 => ours",
        "logical: Ctrl C",
        "held: Ctrl",  // another program's key counts as the user's
        "injected: Ctrl C",
        "we -C @12",
        "we -Ctrl @13",
        "xt -C @12 => ours",
        "xt -Ctrl @13 => ours",
        "logical:",
        "held: Ctrl",  // the other program has not let go of its Ctrl
        "injected:",
    });
}

TEST(KeyLedger, AnEventHeldBackByAGrabBearsALaterRequestNeverAnEarlierOne) {
    Replay({
        "we +C @20", "xt +C @19 => other",
        "xt +C @23 => ours",  // the keyboard was frozen until request 23 let it go
        "we +A @24",
        "newxt +A @24 => other",  // a device met only now did not carry ours
        "held: A C",              // other programs' keys count as the user's
    });
}

TEST(KeyLedger, AnInjectionThatMadeNoEventIsDroppedOnceALaterOneComesBack) {
    // The user let go of Alt while the program decided; its release of Alt,
    // down nowhere on the XTest device, makes no event.
    Replay({
        "kbd +Ctrl",
        "kbd +Alt",
        "kbd +J => keyboard",
        "we -Alt @30",
        "we +C @31",
        "kbd -Alt @29 => keyboard",
        "xt +C @31 => ours",
        "logical: Ctrl J C",
        "held: Ctrl J",
        // The release announced earlier is not waiting any more for an event.
        "xt -Alt @40 => other",
    });
}

TEST(KeyLedger, AModifierTheUserHoldsAndTheProgramPressesToo) {
    Replay({
        "kbd +Ctrl => keyboard",
        "we +Ctrl @5",
        "xt +Ctrl @5 => ours",
        "logical: Ctrl",
        "held: Ctrl",
        "injected: Ctrl",
        "we -Ctrl @6",
        "xt -Ctrl @6 => ours",
        "logical:",    // one state per key for every keyboard: up for applications
        "held: Ctrl",  // still in the user's hand
        "injected:",
        "kbd -Ctrl => keyboard",
        "held:",
    });
}

TEST(KeyLedger, TheUsersPressOfAKeyARunningTargetHoldsIsUnseen) {
    Replay({
        "we +Alt @5",
        "xt +Alt @5 => ours",
        "kbd +Alt => keyboard unseen",  // Alt+C while a target holds Alt: no grab sees it
        "kbd +C => keyboard",
        "held: Alt C",
        // The user lets go of Alt, then the target does: its release makes no event.
        "kbd -Alt",
        "logical: C",
        "injected: Alt",  // left down on the XTest device
        "held: C",
    });
}

TEST(KeyLedger, TellsAutoRepeatFromANewPress) {
    Replay({
        "kbd +J t100",
        "repeats:",
        "kbd +J t600",  // the server's repeat: no release between
        "repeats: J",
        "kbd -J t630",
        "kbd +J t631",  // a repeat forwarded from another display: release and press together
        "repeats: J",
        "kbd -J t640",
        "kbd +J t652",  // a quick tap, 12 ms after the release
        "repeats:",
        "kbd -J t700",
        "kbd +J t900",  // a new press
        "repeats:",
        // The program's own release and press of J are no repeat of the user's.
        "we -J @3",
        "we +J @4",
        "xt -J @3 t910 => ours",
        "xt +J @4 t915 => ours",
        "repeats:",
        "held: J",
    });
}

TEST(KeyLedger, AGrabbedPressIsTheOldestRawPressOfItsKeyAtItsTime) {
    Replay({
        "kbd +J t100", "xt +J @4 t100 => other", "grab J t100 => keyboard", "grab J t100 => other",
        "grab J t300 => keyboard",  // no raw event: a repeat the server made of a held key
        "we +A @7", "xt +A @7 t400 => ours", "kbd +A t410", "grab A t410 => keyboard",
        "grab A t400 => keyboard",  // older presses of the key went elsewhere: done with
    });
}

TEST(KeyLedger, AReleaseMadeWhereTheServerCouldNotSeeItIsDroppedOnReconcile) {
    Replay({
        "seed logical=Ctrl,Shift keyboards=Ctrl xtest=Shift,Z",
        "held: Shift Ctrl",   // another program's Shift, down for applications
        "injected: Shift Z",  // Z is a leftover on the device: up for applications
        // The user's Ctrl came up where no event told of it (a console switch).
        "reconcile logical=Shift keyboards=- xtest=Shift,Z later=-",
        "logical: Shift",
        "held: Shift",
        // A device that gave no answer leaves the keys held as they are.
        "kbd +Ctrl",
        "reconcile logical=- keyboards=? xtest=- later=-",
        "logical:",
        "held: Shift Ctrl",
        "injected:",
        // A key event newer than the answers says more than they do.
        "kbd +A",
        "reconcile logical=- keyboards=- xtest=- later=A",
        "logical: A",
        "held: A",
    });
}
