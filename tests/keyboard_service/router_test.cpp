// The keyboard service's router fed recorded scripts: keys from the keyboards
// and lines from the program in, and what the virtual keyboard sent and the
// program was told out, as one transcript.
//
// A script is a sequence of steps, separated by spaces:
//   +A  -A  ~A       a keyboard's press, release and repeat of A; "+A@2" on keyboard 2 (else 1)
//   [take 1 3 J]     a line from the program; key names stand for their codes,
//                    {Ctrl,Alt} for a set of keys ({} none)
//   unplug@2         keyboard 2 is taken away
//   bye  hi          the program leaves; a new one connects (and says nothing yet)
//   end              the service ends
// A program is connected, and has said hello, when a script starts.
//
// The transcript: the virtual keyboard's events in the same notation, each
// line to the program in brackets, and "(dropped)" when the program is let go.

#include "keyboard_service/router.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using keyservice::Output;
using keyservice::Router;

const std::map<std::string, int> kKeys = {
    {"Ctrl", 29}, {"RCtrl", 97}, {"Alt", 56}, {"RAlt", 100}, {"Shift", 42}, {"Win", 125},
    {"A", 30},    {"C", 46},     {"J", 36},   {"K", 37},     {"F24", 194},  {"Mic", 248},
};

std::string nameOf(int code) {
    for (const auto& [name, c] : kKeys)
        if (c == code) return name;
    return std::to_string(code);
}

int codeOf(const std::string& name) {
    const auto it = kKeys.find(name);
    if (it == kKeys.end()) throw std::runtime_error("no key " + name);
    return it->second;
}

// "{Ctrl,Alt}" as the wire's hexadecimal set, and back.
std::string hexOf(const std::string& set) {
    keylink::Keys keys;
    std::istringstream names(set.substr(1, set.size() - 2));
    for (std::string name; std::getline(names, name, ',');) keys.set(codeOf(name));
    std::string hex;
    for (int digit = int(keylink::kKeyDigits) - 1; digit >= 0; --digit) {
        int value = 0;
        for (int bit = 0; bit < 4; ++bit) value |= keys[digit * 4 + bit] << bit;
        hex += "0123456789abcdef"[value];
    }
    return hex;
}

std::string setOf(const std::string& hex) {
    std::string names;
    for (std::size_t digit = 0; digit < hex.size(); ++digit) {
        const int value = std::stoi(hex.substr(hex.size() - 1 - digit, 1), nullptr, 16);
        for (int bit = 0; bit < 4; ++bit)
            if (value >> bit & 1) names += (names.empty() ? "" : ",") + nameOf(int(digit) * 4 + bit);
    }
    return "{" + names + "}";
}

// The program's line, in the script's names, on the wire.
keylink::Message lineOf(const std::string& text) {
    std::istringstream words(text);
    std::string line;
    for (std::string word; words >> word;) {
        if (!line.empty()) line += ' ';
        line += word.front() == '{' ? hexOf(word) : kKeys.count(word) ? std::to_string(codeOf(word)) : word;
    }
    const auto message = keylink::Parse(line);
    if (!message) throw std::runtime_error("not a message: " + line);
    return *message;
}

std::string said(const keylink::Message& message) {
    std::string line = keylink::Format(message);
    line.pop_back();
    std::istringstream words(line);
    std::string out;
    for (std::string word; words >> word;)
        out += (out.empty() ? "" : " ") + (word.size() == keylink::kKeyDigits ? setOf(word) : word);
    return "[" + out + "]";
}

std::vector<std::string> stepsOf(const std::string& script) {
    std::vector<std::string> steps;
    for (std::size_t at = 0; at < script.size();) {
        if (script[at] == ' ') {
            ++at;
        } else {
            const std::size_t end = script[at] == '[' ? script.find(']', at) + 1 : script.find(' ', at);
            steps.push_back(script.substr(at, end == std::string::npos ? std::string::npos : end - at));
            at = end == std::string::npos ? script.size() : end;
        }
    }
    return steps;
}

std::string Replay(const std::string& script) {
    Router router;
    Output out;
    router.clientConnected();
    router.clientMessage(lineOf("hello 1"), out);
    const std::string signs = "-+~";  // by value: release, press, repeat
    std::string transcript;
    const auto add = [&transcript](const std::string& what) { transcript += (transcript.empty() ? "" : " ") + what; };
    for (const std::string& step : stepsOf(script)) {
        out.clear();
        const std::size_t at = step.find('@');
        const int device = at == std::string::npos ? 1 : std::stoi(step.substr(at + 1));
        const std::string name = step.substr(1, at == std::string::npos ? std::string::npos : at - 1);
        if (step.front() == '[') {
            router.clientMessage(lineOf(step.substr(1, step.size() - 2)), out);
        } else if (step.rfind("unplug@", 0) == 0) {
            router.deviceRemoved(device, out);
        } else if (step == "bye") {
            router.clientGone(out);
        } else if (step == "hi") {
            router.clientConnected();
        } else if (step == "end") {
            router.end(out);
        } else {
            if (signs.find(step.front()) == std::string::npos) throw std::runtime_error("no step " + step);
            router.userKey(device, codeOf(name), int(signs.find(step.front())), out);
        }
        for (const keyservice::KeyEvent& e : out.keys) add(signs[e.value] + nameOf(e.code));
        for (const keylink::Message& m : out.messages) add(said(m));
        if (out.drop) add("(dropped)");
    }
    return transcript;
}

struct Row {
    const char* script;
    const char* transcript;
};

void Check(const std::vector<Row>& rows) {
    for (const Row& row : rows) EXPECT_EQ(Replay(row.script), row.transcript) << row.script;
}

TEST(Router, SwallowsATriggerChordsKeyExactlyAndPassesItsModifiers) {
    Check({
        {"[take 1 3 J] +Ctrl +Alt +J ~J ~J -J -Alt -Ctrl",
         "[took 1] +Ctrl +Alt [hit 1 0] [hit 1 1] [hit 1 1] -Alt -Ctrl"},
        {"[take 1 3 J] +RCtrl +RAlt +J -J -RAlt -RCtrl", "[took 1] +RCtrl +RAlt [hit 1 0] -RAlt -RCtrl"},
        // The modifiers may go first: the key's release is still the trigger's.
        {"[take 1 3 J] +Ctrl +Alt +J -Alt -Ctrl -J", "[took 1] +Ctrl +Alt [hit 1 0] -Alt -Ctrl"},
        {"[take 1 0 F24] +F24 -F24 +Ctrl +F24 -F24", "[took 1] [hit 1 0] +Ctrl +F24 -F24"},
        {"[take 1 3 J] [drop 1] +Ctrl +Alt +J -J", "[took 1] +Ctrl +Alt +J -J"},
        // With a mask key named, it is tapped beside a swallowed chord that has modifiers.
        {"[mask F24] [take 1 3 J] [take 2 0 K] +Ctrl +Alt +J -J -Alt -Ctrl +K -K",
         "[took 1] [took 2] +Ctrl +Alt +F24 -F24 [hit 1 0] -Alt -Ctrl [hit 2 0]"},
    });
}

TEST(Router, PassesAChordsKeyWhenTheModifiersHeldAreNotExactlyItsOwn) {
    Check({
        {"[take 1 3 J] +Ctrl +Alt +Shift +J -J", "[took 1] +Ctrl +Alt +Shift +J -J"},
        {"[take 1 3 J] +Ctrl +Alt +Win +J -J", "[took 1] +Ctrl +Alt +Win +J -J"},
        {"[take 1 3 J] +Ctrl +J ~J -J", "[took 1] +Ctrl +J ~J -J"},
        // Held before the modifiers, the key went down as itself and goes up so.
        {"[take 1 3 J] +J +Ctrl +Alt ~J -J", "[took 1] +J +Ctrl +Alt ~J -J"},
    });
}

TEST(Router, AChordIsTakenWhenAnotherOfItsIdsHasItOrItsKeyIsAModifier) {
    Check({
        {"[take 1 3 J] [take 2 3 J] [take 1 3 K] [take 2 3 J]", "[took 1] [taken 2] [took 1] [took 2]"},
        {"[take 1 3 J] [take 1 3 J] [take 2 2 J]", "[took 1] [took 1] [took 2]"},
        {"[take 1 2 Shift] +Ctrl +Shift", "[taken 1] +Ctrl +Shift"},
    });
}

TEST(Router, TheProgramsOwnKeysGoDownAndUpOnceEach) {
    Check({
        {"[down C] [down C] [up C] [up C]", "+C -C"},
        {"[take 1 3 J] +Ctrl +Alt +J [up Alt] [down C] [up C] [down Alt] -J -Alt -Ctrl",
         "[took 1] +Ctrl +Alt [hit 1 0] -Alt +C -C +Alt -Alt -Ctrl"},
        {"[tap F24] +F24 [tap F24] -F24", "+F24 -F24 +F24 -F24"},
        // The user's release of a key the program pressed lets it go.
        {"[down A] +A -A [up A]", "+A -A"},
    });
}

TEST(Router, HeldKeysReleasedByTheUserStayDownUntilTheHoldEnds) {
    Check({
        {"+Ctrl [hold {Ctrl,Alt}] -Ctrl [hold {}]", "+Ctrl [holding {Ctrl}] -Ctrl [holding {}]"},
        {"+Ctrl +Alt [hold {Ctrl,Alt}] -Ctrl -Alt [hold {Alt}] [hold {}]",
         "+Ctrl +Alt [holding {Ctrl,Alt}] -Ctrl [holding {}] -Alt [holding {}]"},
        // Pressed again, the key is the user's once more and outlasts the hold.
        {"+Ctrl [hold {Ctrl}] -Ctrl +Ctrl [hold {}] -Ctrl", "+Ctrl [holding {Ctrl}] [holding {}] -Ctrl"},
        {"+Ctrl [hold {Ctrl}] -Ctrl [up Ctrl] [hold {}]", "+Ctrl [holding {Ctrl}] -Ctrl [holding {}]"},
        {"[hold {Shift}] +Shift -Shift [hold {}]", "[holding {}] +Shift -Shift [holding {}]"},
        {"+A [hold {A}] +A@2 -A -A@2 [hold {}]", "+A [holding {A}] -A [holding {}]"},
    });
}

TEST(Router, AProgramThatLeavesLeavesNothingDownAndNothingOfItsOwn) {
    Check({
        {"[down C] +A bye -A", "+C +A -C -A"},
        {"+Ctrl [hold {Ctrl}] -Ctrl bye", "+Ctrl [holding {Ctrl}] -Ctrl"},
        {"[take 1 3 J] bye hi [hello 1] +Ctrl +Alt +J", "[took 1] [welcome 1] +Ctrl +Alt +J"},
        {"[take 1 3 J] +Ctrl +Alt +J bye ~J -J -Alt -Ctrl", "[took 1] +Ctrl +Alt [hit 1 0] -Alt -Ctrl"},
        // A trigger's key the program pressed: no release of the user's will lift it now.
        {"[take 1 3 J] +Ctrl +Alt +J [down J] bye -J", "[took 1] +Ctrl +Alt [hit 1 0] +J -J"},
        {"[down C] +A end", "+C +A -A -C"},
    });
}

TEST(Router, AProgramBreakingTheRulesIsToldAndDropped) {
    Check({
        {"bye hi [sync]", "[refused hello first] (dropped)"},
        {"bye hi [hello 2]", "[refused only version 1 is spoken here] (dropped)"},
        {"[down C] [hit 1 0] [down A]", "+C -C [refused that message is the service's to send] (dropped)"},
    });
}

TEST(Router, KeyboardsHoldKeysTogetherAndAKeyboardTakenAwayLetsGo) {
    Check({
        {"+A +A@2 -A -A@2", "+A -A"},
        {"+Ctrl +A@2 unplug@2 -Ctrl", "+Ctrl +A -A -Ctrl"},
        {"+A +A@2 unplug@2 -A", "+A -A"},
        {"[take 1 3 J] +Ctrl@2 +Alt@2 +J@2 unplug@2 +J", "[took 1] +Ctrl +Alt [hit 1 0] -Ctrl -Alt +J"},
        {"+Ctrl@2 [hold {Ctrl}] unplug@2 [hold {}]", "+Ctrl [holding {Ctrl}] -Ctrl [holding {}]"},
        // A key held before its keyboard was found is not the user's to release here.
        {"-A ~A +A ~A -A", "+A ~A -A"},
        {"+Mic ~Mic -Mic", "+Mic ~Mic -Mic"},
    });
}

TEST(Router, TellsTheKeysDownAndHowOftenEachWent) {
    Check({
        {"+A [down C] [sync]", "+A +C [state {A,C} {A}]"},
        {"+A -A +A@2 [history A] [history C]", "+A -A +A [seen 30 2 1] [seen 46 0 0]"},
        {"[take 1 3 J] +Ctrl +Alt +J -J [history J] [sync]",
         "[took 1] +Ctrl +Alt [hit 1 0] [seen 36 1 1] [state {Ctrl,Alt} {Ctrl,Alt}]"},
    });
}

}  // namespace
