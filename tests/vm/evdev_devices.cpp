#include "vm/evdev_devices.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/uinput.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <stdexcept>

namespace vm {

double NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

void SleepMs(double ms) {
    if (ms <= 0) return;
    timespec t{time_t(ms / 1000), long((ms - double(time_t(ms / 1000)) * 1000) * 1e6)};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {}
}

namespace {

[[noreturn]] void Die(const std::string& what) { throw std::runtime_error(what + ": " + std::strerror(errno)); }

std::string NameOf(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {};
    char name[256] = {};
    const bool got = ioctl(fd, EVIOCGNAME(sizeof name - 1), name) >= 0;
    ::close(fd);
    return got ? name : "";
}

// Every /dev/input/event* node with the name of its device.
std::vector<std::pair<std::string, std::string>> Devices() {
    std::vector<std::pair<std::string, std::string>> out;
    DIR* dir = opendir("/dev/input");
    if (!dir) return out;
    while (const dirent* entry = readdir(dir)) {
        if (std::strncmp(entry->d_name, "event", 5) != 0) continue;
        const std::string path = std::string("/dev/input/") + entry->d_name;
        out.emplace_back(path, NameOf(path));
    }
    closedir(dir);
    return out;
}

}  // namespace

UinputKeyboard::UinputKeyboard(const std::string& name) {
    fd_ = ::open("/dev/uinput", O_WRONLY | O_CLOEXEC);
    if (fd_ < 0) Die("open /dev/uinput");
    if (ioctl(fd_, UI_SET_EVBIT, EV_KEY) < 0 || ioctl(fd_, UI_SET_EVBIT, EV_SYN) < 0) Die("UI_SET_EVBIT");
    // The codes an X keycode can stand for, as on a full PC keyboard.
    for (int code = KEY_ESC; code <= KEY_MICMUTE; ++code)
        if (ioctl(fd_, UI_SET_KEYBIT, code) < 0) Die("UI_SET_KEYBIT");
    uinput_setup setup{};
    setup.id = {BUS_USB, 0x1d6b, 0x7a01, 1};
    std::snprintf(setup.name, sizeof setup.name, "%s", name.c_str());
    if (ioctl(fd_, UI_DEV_SETUP, &setup) < 0 || ioctl(fd_, UI_DEV_CREATE) < 0) Die("creating " + name);
    char sys[64] = {};
    if (ioctl(fd_, UI_GET_SYSNAME(sizeof sys - 1), sys) < 0) Die("UI_GET_SYSNAME");
    // Its event node, once devtmpfs has made it.
    const std::string dir = std::string("/sys/devices/virtual/input/") + sys;
    for (const double until = NowMs() + kPatienceMs; path_.empty() && NowMs() < until; SleepMs(1)) {
        DIR* d = opendir(dir.c_str());
        while (d && path_.empty())
            if (const dirent* e = readdir(d); !e)
                break;
            else if (std::strncmp(e->d_name, "event", 5) == 0 &&
                     access(("/dev/input/" + std::string(e->d_name)).c_str(), R_OK) == 0)
                path_ = "/dev/input/" + std::string(e->d_name);
        if (d) closedir(d);
    }
    if (path_.empty()) throw std::runtime_error("no event node appeared for " + name);
}

UinputKeyboard::~UinputKeyboard() {
    if (fd_ < 0) return;
    ioctl(fd_, UI_DEV_DESTROY);
    ::close(fd_);
}

double UinputKeyboard::key(int code, int value) {
    const input_event events[2] = {{{}, EV_KEY, __u16(code), value}, {{}, EV_SYN, SYN_REPORT, 0}};
    const double at = NowMs();
    if (::write(fd_, events, sizeof events) != ssize_t(sizeof events)) Die("writing a key");
    return at;
}

std::string FindDevice(const std::string& name, int timeoutMs) {
    for (const double until = NowMs() + timeoutMs;; SleepMs(2)) {
        for (const auto& [path, n] : Devices())
            if (n == name) return path;
        if (NowMs() > until) return {};
    }
}

std::string DeviceNamed(const std::string& part) {
    for (const auto& [path, n] : Devices())
        if (n.find(part) != std::string::npos) return path;
    return {};
}

KeyReader::KeyReader(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return;
    int clock = CLOCK_MONOTONIC;
    ioctl(fd_, EVIOCSCLOCKID, &clock);
    // Keys already down when the application starts reading.
    unsigned char bits[KEY_CNT / 8 + 1] = {};
    if (ioctl(fd_, EVIOCGKEY(sizeof bits), bits) >= 0)
        for (int code = 0; code < KEY_CNT; ++code) down_[code] = bits[code / 8] & (1 << (code % 8));
}

KeyReader::~KeyReader() {
    if (fd_ >= 0) ::close(fd_);
}

bool KeyReader::readUntil(const std::function<bool(const input_event&)>& done, int timeoutMs) {
    if (fd_ < 0) return false;
    const double until = NowMs() + timeoutMs;
    for (;;) {
        // What one read brought past the event asked for waits for the next call.
        while (next_ < unread_.size()) {
            const input_event& e = unread_[next_++];
            if (e.type == EV_SYN && e.code == SYN_DROPPED) {
                events_.push_back(e);  // the transcript says so
                continue;
            }
            if (e.type != EV_KEY || e.code >= KEY_CNT) continue;
            events_.push_back(e);
            if (e.value != 2) down_[e.code] = e.value == 1;
            if (done(e)) return true;
        }
        if (gone_) return false;
        unread_.resize(64);
        next_ = 0;
        const ssize_t n = ::read(fd_, unread_.data(), unread_.size() * sizeof(input_event));
        unread_.resize(n > 0 ? std::size_t(n) / sizeof(input_event) : 0);
        if (n < 0 && errno == ENODEV) gone_ = true;
        if (n < 0 && errno != EAGAIN && errno != EINTR && errno != ENODEV) return false;
        if (n > 0 || gone_) continue;
        const double left = until - NowMs();
        if (left <= 0) return false;
        pollfd p{fd_, POLLIN, 0};
        poll(&p, 1, int(left) + 1);
    }
}

bool KeyReader::readUntilKey(int code, int value, int timeoutMs) {
    return readUntil([&](const input_event& e) { return e.code == code && e.value == value; }, timeoutMs);
}

void KeyReader::drain() {
    readUntil([](const input_event&) { return false; }, 0);
}

std::string KeyReader::transcript() const {
    std::string out;
    for (const input_event& e : events_) {
        if (e.type == EV_SYN)
            out += " DROPPED";
        else if (e.value != 2)
            out += (e.value ? " D" : " U") + std::to_string(e.code);
    }
    return out.empty() ? out : out.substr(1);
}

std::string KeyReader::down() const {
    std::string out;
    for (int code = 0; code < KEY_CNT; ++code)
        if (down_[code]) out += (out.empty() ? "" : " ") + std::to_string(code);
    return out;
}

double KeyReader::StampMs(const input_event& e) {
    return double(e.input_event_sec) * 1e3 + double(e.input_event_usec) / 1e3;
}

void Verdicts::check(bool ok, const std::string& name, const std::string& detail) {
    if (ok) {
        ++passed_;
        return;
    }
    ++failed_;
    std::printf("FAILED %s: %s\n", name.c_str(), detail.c_str());
    std::fflush(stdout);
}

int Verdicts::Finish() const {
    std::printf("%d passed, %d failed\n", passed_, failed_);
    std::fflush(stdout);
    return failed_ == 0 && passed_ > 0 ? 0 : 1;
}

}  // namespace vm
