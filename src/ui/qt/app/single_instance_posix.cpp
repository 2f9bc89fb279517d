#include "ui/qt/app/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QLocalServer>
#include <QLocalSocket>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "ui/qt/app/show_request_posix.h"

namespace {

std::string failed(const std::string& what) { return what + ": " + std::strerror(errno); }

// The user's own folder for the lock and the socket, made when missing.
std::string runtimeFolder(std::string* why) {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder = xdg && xdg[0] == '/' ? std::string(xdg) + "/zorvane-change-hotkey"
                                                    : "/tmp/zorvane-change-hotkey-" + std::to_string(::getuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        *why = failed(folder);
        return {};
    }
    // In /tmp another user may have made it first, or left a link there.
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
        *why = folder + " is not a folder of this user's own";
        return {};
    }
    if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) {
        *why = failed(folder);
        return {};
    }
    return folder;
}

// FNV-1a: the same name for the same path in every copy and every build.
std::string keyOf(const std::string& path) {
    std::uint64_t h = 14695981039346656037ull;
    for (const unsigned char c : path) h = (h ^ c) * 1099511628211ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, h);
    return text;
}

}  // namespace

std::optional<SingleInstance::Places> SingleInstance::PlacesFor(const std::string& settingsPath, std::string* why) {
    const std::string folder = runtimeFolder(why);
    if (folder.empty()) return std::nullopt;
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(settingsPath, ec);
    const std::string base = folder + "/settings-" + keyOf(ec ? settingsPath : canonical.string());
    return Places{base + ".lock", base + ".socket"};
}

SingleInstance::SingleInstance(const std::string& settingsPath, QObject* parent) : QObject(parent) {
    places_ = PlacesFor(settingsPath, &placesWhy_);
}

SingleInstance::~SingleInstance() {
    if (lockFd_ >= 0) ::close(lockFd_);
}

SingleInstance::Claim SingleInstance::claim(std::string* why, int timeoutMs) {
    if (!places_) {
        *why = placesWhy_;
        return Claim::Unguarded;
    }
    // Close-on-exec: a browser opened from the tray menu must not hold the
    // lock on after this copy has ended.
    lockFd_ = ::open(places_->lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0) {
        *why = failed(places_->lock);
        return Claim::Unguarded;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) {
            held_ = true;
            return Claim::Running;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            *why = failed(places_->lock);
            return Claim::Unguarded;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        const int waitMs = static_cast<int>(std::max<long long>(left.count(), 1));
        std::string asked;
        switch (showrequest::AskToShow(places_->socket, waitMs, &asked)) {
            case showrequest::Asked::Shown: return Claim::Shown;
            case showrequest::Asked::Foreign: *why = "another copy is running, and " + asked; return Claim::Refused;
            case showrequest::Asked::NoAnswer: break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            *why = "another copy is running (it holds " + places_->lock +
                   ") but cannot be asked to show its window: " + asked;
            return Claim::Refused;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

bool SingleInstance::listen(std::string* why) {
    if (!held_) {
        *why = "this copy holds no lock";
        return false;
    }
    const QString name = QString::fromStdString(places_->socket);
    // The lock is this copy's: whatever is left at the name is a dead copy's.
    QLocalServer::removeServer(name);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name)) {
        *why = places_->socket + ": " + server_->errorString().toStdString();
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            if (showrequest::PeerUser(static_cast<int>(s->socketDescriptor())) != static_cast<long>(::getuid())) {
                s->abort();
                s->deleteLater();
                continue;
            }
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                if (!s->canReadLine()) return;
                if (s->readLine() == showrequest::kRequest) {
                    emit showRequested();
                    s->write(showrequest::kAnswer);
                }
                s->disconnectFromServer();
            });
        }
    });
    return true;
}
