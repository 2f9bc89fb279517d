#pragma once
// What the tests in a virtual machine share: keyboards made through uinput
// that type as the user would, and a reader of an evdev device that records
// what an application would get from it. Each waits for what it expects with
// a generous limit, never for a fixed time.

#include <linux/input.h>

#include <functional>
#include <string>
#include <vector>

namespace vm {

// Milliseconds on CLOCK_MONOTONIC, and the wait everything here shares.
double NowMs();
void SleepMs(double ms);
inline constexpr int kPatienceMs = 10000;

// A keyboard the kernel takes for a physical one: EV_KEY for the keys of a
// PC keyboard, no autorepeat of its own (a repeat is typed as value 2).
class UinputKeyboard {
public:
    explicit UinputKeyboard(const std::string& name);
    ~UinputKeyboard();
    UinputKeyboard(const UinputKeyboard&) = delete;
    UinputKeyboard& operator=(const UinputKeyboard&) = delete;

    // One key event (1 down, 0 up, 2 repeat) and its SYN_REPORT; the time
    // it was written, on CLOCK_MONOTONIC.
    double key(int code, int value);
    // Its node, /dev/input/eventN.
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

// The node of the input device with this name (EVIOCGNAME), waiting up to
// timeoutMs for it to appear; empty when none does.
std::string FindDevice(const std::string& name, int timeoutMs = kPatienceMs);
// The node of an input device whose name contains this; empty when none.
std::string DeviceNamed(const std::string& part);

// An application's view of one keyboard: its key events in order, and which
// keys are down.
class KeyReader {
public:
    explicit KeyReader(const std::string& path);
    ~KeyReader();
    KeyReader(const KeyReader&) = delete;
    KeyReader& operator=(const KeyReader&) = delete;

    bool open() const { return fd_ >= 0; }
    // Reads until `done` holds for an event read (true), or until timeoutMs
    // pass or the device goes (false).
    bool readUntil(const std::function<bool(const input_event&)>& done, int timeoutMs = kPatienceMs);
    // Reads until this key event comes.
    bool readUntilKey(int code, int value, int timeoutMs = kPatienceMs);
    // Reads what has come already, without waiting.
    void drain();
    // Key presses and releases as "D29 D30 U30 U29". The kernel's autorepeat
    // of a key held down (value 2) is left out: how many come depends on how
    // long the key was held.
    std::string transcript() const;
    // The keys down now, as "29 30" (empty when none).
    std::string down() const;
    void clear() { events_.clear(); }
    // Whether the device went away (ENODEV) while it was read.
    bool gone() const { return gone_; }
    // Each key event's timestamp, on CLOCK_MONOTONIC, in ms.
    const std::vector<input_event>& events() const { return events_; }
    static double StampMs(const input_event& e);

private:
    int fd_ = -1;
    bool gone_ = false;
    std::vector<input_event> events_;
    std::vector<input_event> unread_;  // read from the device, not yet taken
    std::size_t next_ = 0;
    std::vector<bool> down_ = std::vector<bool>(KEY_CNT);
};

// Trials counted and failures told one line each, ending with the line
// "N passed, M failed"; Finish() is the program's exit status.
class Verdicts {
public:
    void check(bool ok, const std::string& name, const std::string& detail);
    int Finish() const;
    int failed() const { return failed_; }

private:
    int passed_ = 0, failed_ = 0;
};

}  // namespace vm
