#pragma once
// The keyboard service as the tests in a virtual machine meet it: the
// service's own program started and killed, and "the program": the real slot
// table and player over the program's client of the service, on a thread of
// its own as the program's event loop would run them.

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/keys/virtual_keys.h"

namespace vm {

class ServiceProcess {
public:
    ServiceProcess(std::string binary, std::string socket) : binary_(std::move(binary)), socket_(std::move(socket)) {}
    ~ServiceProcess();
    // Starts it for root alone (--user 0) and waits until its virtual
    // keyboard and its socket are there; why not, when they are not.
    std::string start();
    // Kills it (SIGKILL) and waits for it to end.
    void kill();
    const std::string& socket() const { return socket_; }
    // Its virtual keyboard's node, once started.
    const std::string& keyboard() const { return keyboard_; }
    // What it wrote to its standard error.
    std::string log() const;

private:
    std::string binary_, socket_, keyboard_;
    pid_t pid_ = -1;
};

// The key the program taps to mask a modifier's change, as the program finds
// it in xkbcommon's default keymap where there is no display; 0 for none.
int DefaultMaskCode();

// A client of the service, connected from another process as `uid`:
// "welcome", or why it was not (the service's refusal, or connect's error).
std::string ConnectAs(const std::string& socket, uid_t uid);

// The program: slots whose triggers are live through the service, played by
// the slot table as the program plays them.
class Program {
public:
    struct Slot {
        mod::Mask mods;
        int vk;              // the trigger's key, a virtual-key code
        std::string action;  // the target, an action string ("2|17|67")
    };
    // Connects to the service, finds keys in xkbcommon's default keymap (as
    // the program does without a display), and makes every slot live. Holds
    // are `holdScale` of the program's: trials are about the order of keys,
    // not how long they are held.
    Program(const std::string& socket, std::vector<Slot> slots, double holdScale);
    ~Program();
    // Why the program could not start; empty when it runs.
    const std::string& error() const { return error_; }
    // The code of the key the program taps to mask a modifier's change.
    int maskCode() const { return maskCode_; }
    // Waits until the program has read every hit the service sent before
    // now and played every target they asked for, and the service has typed
    // all of it.
    void settle();
    // Targets played so far.
    int plays() const { return plays_; }
    void setHoldScale(double scale) { holdScale_ = scale; }

private:
    struct State;
    void run(const std::string& socket, std::vector<Slot> slots);
    // Runs `task` on the program's thread and waits for it.
    void call(const std::function<void()>& task);
    void pump(double ms);

    std::atomic<double> holdScale_;
    std::string error_;
    int maskCode_ = 0;
    std::atomic<int> plays_{0};
    std::unique_ptr<State> s_;
    int wake_ = -1;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool ready_ = false, stopping_ = false;
    std::function<void()> task_;
    bool taskDone_ = false;
    std::thread thread_;
};

}  // namespace vm
