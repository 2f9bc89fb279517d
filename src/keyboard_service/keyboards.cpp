#include "keyboard_service/keyboards.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "keyboard_service/log.h"
#include "keyboard_service/virtual_keyboard.h"

namespace keyservice {

namespace {

constexpr std::size_t kLongs = (KEY_CNT + 8 * sizeof(long) - 1) / (8 * sizeof(long));
using BitArray = unsigned long[kLongs];

bool bit(const BitArray bits, int n) { return bits[n / (8 * sizeof(long))] >> (n % (8 * sizeof(long))) & 1; }

bool anyDown(int fd) {
    BitArray down{};
    if (ioctl(fd, EVIOCGKEY(sizeof down), down) < 0) return false;
    for (const unsigned long word : down)
        if (word) return true;
    return false;
}

// The letter keys and no pointer axes.
bool isKeyboard(int fd) {
    BitArray types{}, keys{};
    if (ioctl(fd, EVIOCGBIT(0, sizeof types), types) < 0 || !bit(types, EV_KEY) || bit(types, EV_REL) ||
        bit(types, EV_ABS))
        return false;
    if (ioctl(fd, EVIOCGBIT(EV_KEY, sizeof keys), keys) < 0) return false;
    for (const int code : {KEY_Q, KEY_W, KEY_E, KEY_R, KEY_T, KEY_Y, KEY_U, KEY_I, KEY_O, KEY_P, KEY_A, KEY_S, KEY_D,
                           KEY_F, KEY_G, KEY_H, KEY_J, KEY_K, KEY_L, KEY_Z, KEY_X, KEY_C, KEY_V, KEY_B, KEY_N, KEY_M})
        if (!bit(keys, code)) return false;
    return true;
}

std::string text(int fd, unsigned long request) {
    char buffer[256] = {};
    if (ioctl(fd, request, buffer) < 0) return {};
    return buffer;
}

}  // namespace

Keyboards::Keyboards(std::string folder, std::string ownPhys)
    : folder_(std::move(folder)), ownPhys_(std::move(ownPhys)) {}

Keyboards::~Keyboards() {
    for (const auto& k : keyboards_) ::close(k->fd);
    if (watch_ >= 0) ::close(watch_);
}

bool Keyboards::start(std::string& error) {
    watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    // Until the first input device exists, so may the folder not: its parent tells when it comes.
    const std::string parent = folder_.substr(0, folder_.rfind('/'));
    if (watch_ < 0 || inotify_add_watch(watch_, parent.empty() ? "/" : parent.c_str(), IN_CREATE | IN_ONLYDIR) < 0) {
        error = "cannot watch " + parent + " for keyboards: " + std::strerror(errno);
        return false;
    }
    watchFolder();
    if (keyboards_.empty()) Log("no keyboard yet; waiting for one to be plugged in");
    return true;
}

void Keyboards::watchFolder() {
    if (folderWatch_ >= 0) return;
    folderWatch_ = inotify_add_watch(watch_, folder_.c_str(), IN_CREATE | IN_ATTRIB | IN_ONLYDIR);
    if (folderWatch_ < 0) return;
    DIR* dir = opendir(folder_.c_str());
    if (!dir) return;
    while (const dirent* entry = readdir(dir)) probe(entry->d_name, false);
    closedir(dir);
}

void Keyboards::onWatch() {
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(watch_, buffer, sizeof buffer);
        if (n <= 0) return;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            const std::string name = event->len ? event->name : "";
            if (event->wd == folderWatch_ && (event->mask & IN_IGNORED)) {
                folderWatch_ = -1;  // the folder went; its parent's watch tells when it is back
            } else if (event->wd == folderWatch_) {
                // A node is made by the kernel, then given its group by udev: it
                // may be openable only at the second.
                probe(name, (event->mask & IN_CREATE) != 0);
            } else if (folder_.compare(folder_.rfind('/') + 1, std::string::npos, name) == 0) {
                watchFolder();
            }
        }
    }
}

void Keyboards::probe(const std::string& name, bool quiet) {
    if (name.rfind("event", 0) != 0) return;
    const std::string path = folder_ + "/" + name;
    struct stat st {};
    if (stat(path.c_str(), &st) < 0 || !S_ISCHR(st.st_mode)) return;
    // The same node may be a new keyboard in a gone one's place, found before
    // the gone one's read failed.
    for (const auto& k : keyboards_) {
        int version = 0;
        if (k->node != st.st_rdev) continue;
        if (ioctl(k->fd, EVIOCGVERSION, &version) == 0) return;
        k->gone = true;
    }
    bool writable = true;
    int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        writable = false;
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
    if (fd < 0) {
        if (!quiet && unopenable_.insert(path).second) Log("cannot open %s: %s", path.c_str(), std::strerror(errno));
        return;
    }
    unopenable_.erase(path);
    struct stat opened {};
    const std::string deviceName = text(fd, EVIOCGNAME(256));
    if (fstat(fd, &opened) < 0 || !isKeyboard(fd) || deviceName == kVirtualKeyboardName ||
        text(fd, EVIOCGPHYS(256)) == ownPhys_) {
        ::close(fd);
        return;
    }
    auto keyboard = std::make_unique<Keyboard>();
    keyboard->id = nextId_++;
    keyboard->fd = fd;
    keyboard->path = path;
    keyboard->name = deviceName.empty() ? "unnamed" : deviceName;
    keyboard->node = opened.st_rdev;
    keyboard->writable = writable;
    keyboard->waiting = true;
    if (!tryGrab(*keyboard)) {
        ::close(fd);
        return;
    }
    if (keyboard->waiting)
        Log("keyboard found: %s (%s); taking it once its keys are released", keyboard->name.c_str(), path.c_str());
    added_.push_back(keyboard.get());
    keyboards_.push_back(std::move(keyboard));
}

bool Keyboards::tryGrab(Keyboard& k) {
    if (!k.waiting) return true;
    // What it sent before the grab was the desktop's.
    input_event stale[64];
    while (::read(k.fd, stale, sizeof stale) > 0) {}
    if (anyDown(k.fd)) return true;
    if (ioctl(k.fd, EVIOCGRAB, 1) < 0) {
        // Another program holds it (a remapper of its own): it is not ours to read.
        Log("keyboard %s (%s) left alone: cannot grab it: %s", k.name.c_str(), k.path.c_str(), std::strerror(errno));
        return false;
    }
    // A key pressed between the look and the grab went to the desktop: its
    // release must too.
    if (anyDown(k.fd)) {
        ioctl(k.fd, EVIOCGRAB, 0);
        return true;
    }
    k.waiting = false;
    Log("keyboard added: %s (%s)", k.name.c_str(), k.path.c_str());
    return true;
}

std::vector<Keyboard*> Keyboards::takeAdded() {
    std::vector<Keyboard*> added;
    added.swap(added_);
    return added;
}

Keyboard* Keyboards::find(int id) {
    for (const auto& k : keyboards_)
        if (k->id == id) return k.get();
    return nullptr;
}

void Keyboards::remove(int id, const char* why) {
    for (auto it = keyboards_.begin(); it != keyboards_.end(); ++it) {
        if ((*it)->id != id) continue;
        Log("keyboard removed: %s (%s): %s", (*it)->name.c_str(), (*it)->path.c_str(), why);
        ::close((*it)->fd);
        std::erase(added_, it->get());
        keyboards_.erase(it);
        return;
    }
}

}  // namespace keyservice
