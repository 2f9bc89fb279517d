#include "vm/keyboard_service_bed.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/slots/settings_file.h"
#include "core/slots/slot_table.h"
#include "platform/keyboard_service/service_services.h"
#include "platform/wlroots/xkb_keys.h"
#include "support/recording_view.h"
#include "vm/evdev_devices.h"

namespace vm {

namespace {

constexpr const char* kServiceLog = "/tmp/zorvane-keyboard-service.log";

bool IsSocket(const std::string& path) {
    struct stat s {};
    return ::stat(path.c_str(), &s) == 0 && S_ISSOCK(s.st_mode);
}

// The keys as the program finds them where there is no display.
keyservice::EvdevKeys DefaultKeys() {
    keyservice::EvdevKeys keys;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context) return keys;
    if (xkb_keymap* keymap = xkb_keymap_new_from_names(context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS)) {
        const wlroots::XkbKeys xkb(keymap);
        keys = keyservice::EvdevKeys(wlroots::CoreKeymapOf(keymap), xkb.layout());
        xkb_keymap_unref(keymap);
    }
    xkb_context_unref(context);
    return keys;
}

// Connects, trying again while the service is still coming up.
Expected<std::shared_ptr<keyservice::ServiceLink>> Connect(const std::string& socket) {
    for (const double until = NowMs() + kPatienceMs;; SleepMs(5)) {
        auto link = keyservice::ServiceLink::connect(socket);
        if (link || link.why().find("refused the program") != std::string::npos || NowMs() > until) return link;
    }
}

}  // namespace

int DefaultMaskCode() { return DefaultKeys().maskCode(); }

ServiceProcess::~ServiceProcess() {
    if (pid_ > 0) kill();
}

std::string ServiceProcess::start() {
    ::unlink(socket_.c_str());
    const int logFd = ::open(kServiceLog, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(logFd, 1);
        dup2(logFd, 2);
        execl(binary_.c_str(), binary_.c_str(), "--socket", socket_.c_str(), "--user", "0", nullptr);
        _exit(127);
    }
    ::close(logFd);
    if (pid_ < 0) return "fork failed";
    for (const double until = NowMs() + kPatienceMs; NowMs() < until; SleepMs(5)) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return "the service ended as it started (status " + std::to_string(status) + "): " + log();
        }
        keyboard_ = DeviceNamed("Zorvane");
        if (!keyboard_.empty() && IsSocket(socket_)) return {};
    }
    return "no virtual keyboard or no socket within " + std::to_string(kPatienceMs) + " ms: " + log();
}

void ServiceProcess::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

std::string ServiceProcess::log() const {
    std::ifstream in(kServiceLog);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string ConnectAs(const std::string& socket, uid_t uid) {
    int answer[2];
    if (pipe(answer) != 0) return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        ::close(answer[0]);
        std::string said = "could not become the user";
        if (setgid(uid) == 0 && setuid(uid) == 0) {
            const auto link = keyservice::ServiceLink::connect(socket);
            said = link ? "welcome" : link.why();
        }
        (void)!::write(answer[1], said.data(), said.size());
        _exit(0);
    }
    ::close(answer[1]);
    std::string said;
    char buffer[256];
    for (ssize_t n; (n = ::read(answer[0], buffer, sizeof buffer)) > 0;) said.append(buffer, std::size_t(n));
    ::close(answer[0]);
    waitpid(child, nullptr, 0);
    return said;
}

struct Program::State {
    std::shared_ptr<keyservice::ServiceLink> link;
    platform::OwnedServices owned;
    platform::Services services;
    std::unique_ptr<RecordingView> view;
    std::unique_ptr<app::SlotTable> table;
    bool kept = false;  // hits were kept while an answer was awaited
};

Program::Program(const std::string& socket, std::vector<Slot> slots, double holdScale) : holdScale_(holdScale) {
    wake_ = eventfd(0, EFD_CLOEXEC);
    thread_ = std::thread([this, socket, slots = std::move(slots)] { run(socket, slots); });
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return ready_; });
}

Program::~Program() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    const std::uint64_t one = 1;
    (void)!::write(wake_, &one, sizeof one);
    thread_.join();
    ::close(wake_);
}

void Program::run(const std::string& socket, std::vector<Slot> slots) {
    s_ = std::make_unique<State>();
    auto start = [&]() -> std::string {
        auto link = Connect(socket);
        if (!link) return link.why();
        s_->link = *link;
        auto shared = std::make_shared<keyservice::Shared>(keyservice::Shared{s_->link, DefaultKeys()});
        maskCode_ = shared->keys.maskCode();
        if (maskCode_ == 0) return "no keymap (xkbcommon's default) to find keys in";
        s_->owned = keyservice::ServicesOver(shared);
        s_->services = s_->owned.services();
        s_->link->onHitsKept = [this] { s_->kept = true; };

        char folder[] = "/tmp/program-XXXXXX";
        if (!mkdtemp(folder)) return "no folder for set.ini";
        const app::SettingsFile settings(std::string(folder) + "/" + app::SettingsFile::kFileName);
        std::vector<profile::Entry> targets;
        for (std::size_t i = 0; i < slots.size(); ++i) {
            targets.push_back({"conftext", std::to_string(i), slots[i].action});
            targets.push_back({"conftooltip", std::to_string(i), slots[i].action});
        }
        if (!settings.writeAll(targets)) return "set.ini could not be written";
        s_->view = std::make_unique<RecordingView>(s_->services);
        s_->table = std::make_unique<app::SlotTable>(*s_->view, s_->services, settings, [this](int ms) {
            ++plays_;
            pump(ms * holdScale_);
        });
        s_->table->load();
        for (std::size_t i = 0; i < slots.size(); ++i)
            if (!s_->view->makeLive(*s_->table, int(i) + 1, slots[i].mods, slots[i].vk))
                return "slot " + std::to_string(i + 1) + " did not go live: " + s_->view->log.back();
        return {};
    };
    error_ = start();
    {
        std::lock_guard lock(mutex_);
        ready_ = true;
    }
    changed_.notify_all();

    // The program's event loop: hits as they come, and the test's calls.
    while (error_.empty()) {
        if (s_->kept) {
            s_->kept = false;
            s_->link->readHits();
            continue;
        }
        pollfd p[2] = {{wake_, POLLIN, 0}, {s_->link->alive() ? s_->link->fd() : -1, POLLIN, 0}};
        if (poll(p, 2, -1) < 0) continue;
        if (p[1].revents) s_->link->readHits();
        if (!p[0].revents) continue;
        std::uint64_t n;
        (void)!::read(wake_, &n, sizeof n);
        std::unique_lock lock(mutex_);
        if (stopping_) break;
        if (task_) {
            const auto task = task_;
            lock.unlock();
            task();
            lock.lock();
            task_ = nullptr;
            taskDone_ = true;
            changed_.notify_all();
        }
    }
    if (!error_.empty()) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopping_; });
    }
    s_.reset();
}

void Program::call(const std::function<void()>& task) {
    std::unique_lock lock(mutex_);
    task_ = task;
    taskDone_ = false;
    const std::uint64_t one = 1;
    (void)!::write(wake_, &one, sizeof one);
    changed_.wait(lock, [this] { return taskDone_; });
}

// The hold: the program's loop goes on, as the program's nested one does, so
// that hits that come meanwhile wait their turn in the slot table.
void Program::pump(double ms) {
    for (const double until = NowMs() + ms;;) {
        if (s_->kept) {
            s_->kept = false;
            s_->link->readHits();
            continue;
        }
        const double left = until - NowMs();
        if (left <= 0) return;
        if (!s_->link->alive()) return;  // the service is gone: nothing is held any more
        pollfd p{s_->link->fd(), POLLIN, 0};
        if (poll(&p, 1, int(std::ceil(left))) > 0) s_->link->readHits();
    }
}

void Program::settle() {
    if (!error_.empty()) return;
    call([this] {
        keylink::Message sync;
        sync.kind = keylink::Kind::Sync;
        // Hits sent before the answer come before it: each round plays them,
        // and the last answer follows every key the playbacks sent.
        for (;;) {
            if (s_->kept) {
                s_->kept = false;
                s_->link->readHits();
            }
            if (!s_->link->alive()) return;
            s_->link->ask(sync, keylink::Kind::State);
            if (!s_->kept) return;
        }
    });
}

}  // namespace vm
