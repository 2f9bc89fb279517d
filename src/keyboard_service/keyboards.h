#pragma once
// The keyboards under /dev/input, each opened and grabbed, so that its keys
// reach no one but the service: at start, and as they are plugged in. A
// keyboard is a device with the letter keys and no pointer (mice, tablets
// and touchpads also send keys, and are left to the desktop), and not the
// service's own virtual keyboard.

#include <sys/types.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace keyservice {

struct Keyboard {
    int id = 0;  // the service's own number for it, never reused
    int fd = -1;
    std::string path, name;
    dev_t node = 0;
    bool writable = false;  // opened for writing too: its LEDs can be set
    // Keys were down when it was found, so it is read but not yet grabbed:
    // their releases belong to the desktop, which saw their presses.
    bool waiting = false;
    bool gone = false;       // unplugged: to be removed
    bool resyncing = false;  // its events overflowed: those up to the next report are void
};

class Keyboards {
public:
    // `ownPhys`: the virtual keyboard's physical path, never to be grabbed.
    Keyboards(std::string folder, std::string ownPhys);
    Keyboards(const Keyboards&) = delete;
    Keyboards& operator=(const Keyboards&) = delete;
    ~Keyboards();

    // Watches the folder (or its parent until it exists) and opens every
    // keyboard in it. False with the reason when nothing can be watched.
    bool start(std::string& error);
    int watchFd() const { return watch_; }
    // Reads the watch's news and opens what is new.
    void onWatch();

    // Keyboards opened since the last call, for the caller to listen to.
    std::vector<Keyboard*> takeAdded();
    Keyboard* find(int id);
    const std::vector<std::unique_ptr<Keyboard>>& all() const { return keyboards_; }
    // Grabs a waiting keyboard once none of its keys are down; false when it
    // cannot be had (another program grabbed it), and is to be removed.
    bool tryGrab(Keyboard& keyboard);
    // Closes a keyboard that went away or failed.
    void remove(int id, const char* why);

private:
    void watchFolder();
    void probe(const std::string& name, bool quiet);

    std::string folder_, ownPhys_;
    int watch_ = -1, folderWatch_ = -1;
    int nextId_ = 1;
    std::vector<std::unique_ptr<Keyboard>> keyboards_;
    std::vector<Keyboard*> added_;
    std::set<std::string> unopenable_;  // said once why each could not be opened
};

}  // namespace keyservice
