// zorvane-keyboard-service: reads every keyboard, passes its keys on through
// one virtual keyboard, swallows the trigger chords its one program
// registered and tells the program of them, and types what the program asks.
// One thread, one epoll loop; a key's way through it is a read, the router
// and a write, with nothing allocated once the first keys have passed.

#include <errno.h>
#include <linux/input.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "keyboard_service/client_socket.h"
#include "keyboard_service/keyboards.h"
#include "keyboard_service/log.h"
#include "keyboard_service/options.h"
#include "keyboard_service/router.h"
#include "keyboard_service/seat_access.h"
#include "keyboard_service/virtual_keyboard.h"
#include "version.h"

namespace keyservice {

namespace {

enum class Source : std::uint32_t { Signal, Watch, VirtualKeyboard, Listener, Client, Logins, Keyboard };

std::uint64_t tag(Source source, int id = 0) { return std::uint64_t(source) << 32 | std::uint32_t(id); }

class Service {
public:
    explicit Service(Options options) : options_(std::move(options)), seat_(options_.user) {}
    int run();

private:
    void watch(int fd, std::uint64_t what, std::uint32_t events, int op = EPOLL_CTL_ADD);
    void addKeyboards();
    void onKeyboard(int id);
    void resync(Keyboard& keyboard);
    void removeKeyboard(int id, const char* why);
    void setLeds(const Keyboard& keyboard);
    void onLeds();
    void acceptClients();
    void onClient(std::uint32_t events);
    void onLogins();
    void deliver();
    void watchWrites();
    void closeClient(const std::string& why);
    void dropClient(const std::string& why);

    Options options_;
    int epoll_ = -1;
    VirtualKeyboard virtual_;
    std::unique_ptr<Keyboards> keyboards_;
    ClientSocket socket_;
    SeatAccess seat_;
    Router router_;
    Output out_;
    bool watchingWrites_ = false;
    int status_ = -1;  // set when the service is to end
};

void Service::watch(int fd, std::uint64_t what, std::uint32_t events, int op) {
    epoll_event event{};
    event.events = events;
    event.data.u64 = what;
    if (epoll_ctl(epoll_, op, fd, &event) < 0) {
        Log("cannot watch a file descriptor: %s", std::strerror(errno));
        status_ = 1;
    }
}

int Service::run() {
    std::string error;
    if (!virtual_.open(error)) {
        Log("%s", error.c_str());
        return 1;
    }
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    signal(SIGPIPE, SIG_IGN);
    const int signalFd = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    if (signalFd < 0 || epoll_ < 0) {
        Log("cannot set up the service's loop: %s", std::strerror(errno));
        return 1;
    }
    if (!socket_.listen(options_.socket, error)) {
        Log("%s", error.c_str());
        return 1;
    }
    seat_.start();
    seat_.grant(options_.socket);
    Log("listening at %s", options_.socket.c_str());
    keyboards_ = std::make_unique<Keyboards>("/dev/input", virtual_.phys());
    if (!keyboards_->start(error)) {
        Log("%s", error.c_str());
        socket_.unlink();
        return 1;
    }
    out_.keys.reserve(1024);
    out_.messages.reserve(64);
    watch(signalFd, tag(Source::Signal), EPOLLIN);
    watch(keyboards_->watchFd(), tag(Source::Watch), EPOLLIN);
    watch(virtual_.fd(), tag(Source::VirtualKeyboard), EPOLLIN);
    watch(socket_.listenFd(), tag(Source::Listener), EPOLLIN);
    if (seat_.fd() >= 0) watch(seat_.fd(), tag(Source::Logins), EPOLLIN);
    addKeyboards();

    epoll_event events[32];
    while (status_ < 0) {
        const int n = epoll_wait(epoll_, events, 32, -1);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            Log("the service's loop failed: %s", std::strerror(errno));
            status_ = 1;
        }
        for (int i = 0; i < n && status_ < 0; ++i) {
            const int id = int(events[i].data.u64 & 0xffffffffu);
            switch (Source(events[i].data.u64 >> 32)) {
                case Source::Keyboard: onKeyboard(id); break;
                case Source::Client: onClient(events[i].events); break;
                case Source::Listener: acceptClients(); break;
                case Source::Watch:
                    keyboards_->onWatch();
                    addKeyboards();
                    break;
                case Source::VirtualKeyboard: onLeds(); break;
                case Source::Logins: onLogins(); break;
                case Source::Signal: {
                    signalfd_siginfo info{};
                    if (read(signalFd, &info, sizeof info) == sizeof info) {
                        Log("ending on %s", strsignal(int(info.ssi_signo)));
                        status_ = 0;
                    }
                    break;
                }
            }
        }
    }
    // Nothing is left down behind the service.
    out_.clear();
    router_.end(out_);
    virtual_.emit(out_.keys);
    socket_.unlink();
    return status_;
}

void Service::addKeyboards() {
    std::vector<int> gone;
    for (const auto& k : keyboards_->all())
        if (k->gone) gone.push_back(k->id);
    for (const int id : gone) removeKeyboard(id, "unplugged");
    for (Keyboard* k : keyboards_->takeAdded()) {
        watch(k->fd, tag(Source::Keyboard, k->id), EPOLLIN);
        if (!k->waiting) setLeds(*k);
    }
}

void Service::onKeyboard(int id) {
    Keyboard* k = keyboards_->find(id);
    if (!k) return;
    input_event events[64];
    for (;;) {
        const ssize_t n = read(k->fd, events, sizeof events);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return;
        if (n <= 0) return removeKeyboard(id, n == 0 ? "no more events" : std::strerror(errno));
        if (k->waiting) {
            if (!keyboards_->tryGrab(*k)) return removeKeyboard(id, "another program took it");
            if (!k->waiting) setLeds(*k);
            return;
        }
        out_.clear();
        const std::size_t count = std::size_t(n) / sizeof(input_event);
        for (std::size_t i = 0; i < count; ++i) {
            const input_event& e = events[i];
            // An overflow: what came since the last report is lost, and the
            // keyboard's state is asked for at the next one.
            if (e.type == EV_SYN && e.code == SYN_DROPPED) {
                k->resyncing = true;
            } else if (k->resyncing) {
                if (e.type == EV_SYN && e.code == SYN_REPORT) resync(*k);
            } else if (e.type == EV_KEY && VirtualKeyboard::Has(e.code)) {
                router_.userKey(id, e.code, e.value, out_);
            }
        }
        deliver();
        if (count < std::size(events)) return;
    }
}

void Service::resync(Keyboard& k) {
    k.resyncing = false;
    unsigned long bits[(KEY_CNT + 8 * sizeof(long) - 1) / (8 * sizeof(long))] = {};
    if (ioctl(k.fd, EVIOCGKEY(sizeof bits), bits) < 0) return;
    const AllKeys known = router_.heldOn(k.id);
    for (int code = 1; code < kCodes; ++code) {
        const bool down = bits[code / (8 * sizeof(long))] >> (code % (8 * sizeof(long))) & 1;
        if (down != known[code] && VirtualKeyboard::Has(code)) router_.userKey(k.id, code, down ? 1 : 0, out_);
    }
}

void Service::removeKeyboard(int id, const char* why) {
    out_.clear();
    router_.deviceRemoved(id, out_);
    deliver();
    keyboards_->remove(id, why);
    if (keyboards_->all().empty()) Log("no keyboard left; waiting for one to be plugged in");
}

// The desktop sets the LEDs (Caps Lock's, say) on the virtual keyboard; they
// belong on the keyboards.
void Service::setLeds(const Keyboard& k) {
    if (!k.writable) return;
    input_event events[2 * LED_CNT];
    std::size_t count = 0;
    for (int led = 0; led < LED_CNT; ++led) {
        if (virtual_.leds()[led] < 0) continue;
        events[count++] = InputEvent(EV_LED, led, virtual_.leds()[led]);
    }
    if (count == 0) return;
    events[count++] = InputEvent(EV_SYN, SYN_REPORT, 0);
    [[maybe_unused]] const ssize_t written = write(k.fd, events, count * sizeof(input_event));
}

void Service::onLeds() {
    virtual_.readBack();
    for (const auto& k : keyboards_->all())
        if (!k->waiting) setLeds(*k);
}

void Service::acceptClients() {
    while (std::optional<Peer> peer = socket_.accept()) {
        std::string why = seat_.refusal(peer->uid);
        if (why.empty() && socket_.connected()) why = "another program is connected";
        if (!why.empty()) {
            Log("refused uid %u (pid %d): %s", unsigned(peer->uid), int(peer->pid), why.c_str());
            ClientSocket::refuse(*peer, why);
            continue;
        }
        socket_.adopt(*peer);
        watch(peer->fd, tag(Source::Client), EPOLLIN);
        watchingWrites_ = false;
        router_.clientConnected();
        Log("client accepted: uid %u (pid %d)", unsigned(peer->uid), int(peer->pid));
    }
}

void Service::onClient(std::uint32_t events) {
    if (!socket_.connected()) return;
    if ((events & EPOLLOUT) && !socket_.flush()) return dropClient("cannot write to it");
    if (!(events & (EPOLLIN | EPOLLHUP | EPOLLERR))) return watchWrites();
    switch (socket_.receive()) {
        case ClientSocket::Received::Nothing: return;
        case ClientSocket::Received::Left:
            Log("client left (pid %d)", int(socket_.client().pid));
            socket_.close();
            out_.clear();
            router_.clientGone(out_);
            return deliver();
        case ClientSocket::Received::TooLong: return dropClient("a line longer than the longest message");
        case ClientSocket::Received::Lines: break;
    }
    while (std::optional<std::string> line = socket_.nextLine()) {
        const std::optional<keylink::Message> message = keylink::Parse(*line);
        if (!message) return dropClient("a malformed message");
        out_.clear();
        router_.clientMessage(*message, out_);
        deliver();
        if (!socket_.connected()) return;
    }
}

void Service::onLogins() {
    if (!seat_.refresh()) return;
    seat_.grant(options_.socket);
    // The user switched away: the keys the next one types are not for this program.
    if (socket_.connected()) {
        const std::string why = seat_.refusal(socket_.client().uid);
        if (!why.empty()) dropClient(why);
    }
}

// Sends what the last input led to: the keys first, then the messages.
void Service::deliver() {
    if (!virtual_.emit(out_.keys)) {
        Log("cannot write to the virtual keyboard: %s", std::strerror(errno));
        status_ = 1;
        return;
    }
    bool deaf = false;
    for (const keylink::Message& m : out_.messages) deaf = !socket_.send(keylink::Format(m)) || deaf;
    if (out_.drop) return closeClient(out_.drop);
    if (deaf) return dropClient("it stopped reading");
    watchWrites();
}

// The socket is watched for room to write only while something waits to go.
void Service::watchWrites() {
    if (socket_.connected() && socket_.hasUnsent() != watchingWrites_) {
        watchingWrites_ = socket_.hasUnsent();
        watch(socket_.client().fd, tag(Source::Client), EPOLLIN | (watchingWrites_ ? EPOLLOUT : 0u), EPOLL_CTL_MOD);
    }
}

void Service::closeClient(const std::string& why) {
    if (!socket_.connected()) return;
    Log("client dropped (pid %d): %s", int(socket_.client().pid), why.c_str());
    socket_.flush();
    socket_.close();
}

// Tells the program why, lets it go, and lifts what it left down.
void Service::dropClient(const std::string& why) {
    if (!socket_.connected()) return;
    socket_.send(RefusalLine(why));
    closeClient(why);
    out_.clear();
    router_.clientGone(out_);
    deliver();
}

}  // namespace

}  // namespace keyservice

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const keyservice::Command command = keyservice::ParseCommandLine(args, ZORVANE_VERSION_TEXT);
    if (!command.run) {
        std::FILE* to = command.status == 0 ? stdout : stderr;
        const bool written = std::fprintf(to, "%s\n", command.text.c_str()) >= 0 && std::fflush(to) == 0;
        return written ? command.status : 1;
    }
    return keyservice::Service(*command.run).run();
}
