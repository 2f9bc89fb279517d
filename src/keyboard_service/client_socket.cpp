#include "keyboard_service/client_socket.h"

#include <errno.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace keyservice {

namespace {

// A program that leaves this much unread has stopped listening.
constexpr std::size_t kMaxUnsent = 64 * 1024;

bool addressOf(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Whether a service still answers at the path.
bool answered(const sockaddr_un& address) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool yes = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return yes;
}

}  // namespace

std::string RefusalLine(const std::string& why) {
    keylink::Message refused;
    refused.kind = keylink::Kind::Refused;
    refused.why = why;
    return keylink::Format(refused);
}

ClientSocket::~ClientSocket() {
    close();
    if (listen_ >= 0) ::close(listen_);
}

bool ClientSocket::listen(const std::string& path, std::string& error) {
    sockaddr_un address;
    if (!addressOf(path, address)) {
        error = "the socket's path is too long: " + path;
        return false;
    }
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            error = path + " is there already, and is not a socket";
            return false;
        }
        if (answered(address)) {
            error = "another service listens at " + path;
            return false;
        }
        ::unlink(path.c_str());
    }
    listen_ = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    // Made for its owner alone; the allowed user is granted access after.
    const mode_t mask = umask(0177);
    const bool bound = listen_ >= 0 && bind(listen_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    umask(mask);
    if (!bound || ::listen(listen_, 4) < 0 || lstat(path.c_str(), &st) < 0) {
        error = "cannot listen at " + path + ": " + std::strerror(errno);
        return false;
    }
    path_ = path;
    inode_ = st.st_ino;
    return true;
}

void ClientSocket::unlink() {
    struct stat st {};
    if (!path_.empty() && lstat(path_.c_str(), &st) == 0 && st.st_ino == inode_) ::unlink(path_.c_str());
}

std::optional<Peer> ClientSocket::accept() {
    Peer peer;
    peer.fd = accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (peer.fd < 0) return std::nullopt;
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (getsockopt(peer.fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) < 0) {
        // Who it is cannot be known: as good as anyone, so no one.
        credentials.uid = uid_t(-1);
        credentials.pid = 0;
    }
    peer.uid = credentials.uid;
    peer.pid = credentials.pid;
    return peer;
}

void ClientSocket::refuse(Peer& peer, const std::string& why) {
    const std::string line = RefusalLine(why);
    [[maybe_unused]] const ssize_t sent = ::send(peer.fd, line.data(), line.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    ::close(peer.fd);
    peer.fd = -1;
}

void ClientSocket::adopt(const Peer& peer) {
    close();
    client_ = peer;
    reader_ = {};
}

ClientSocket::Received ClientSocket::receive() {
    char buffer[4096];
    const ssize_t n = ::recv(client_.fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return Received::Nothing;
    if (n <= 0) return Received::Left;
    return reader_.feed({buffer, std::size_t(n)}) ? Received::Lines : Received::TooLong;
}

bool ClientSocket::send(const std::string& line) {
    if (!connected()) return true;
    if (!unsent_.empty()) {
        unsent_ += line;
        return unsent_.size() <= kMaxUnsent;
    }
    const ssize_t n = ::send(client_.fd, line.data(), line.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return true;  // its read says it left
    unsent_.assign(line, n < 0 ? 0 : std::size_t(n));
    return true;
}

bool ClientSocket::flush() {
    while (!unsent_.empty()) {
        const ssize_t n = ::send(client_.fd, unsent_.data(), unsent_.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        unsent_.erase(0, std::size_t(n));
    }
    return true;
}

void ClientSocket::close() {
    if (client_.fd >= 0) ::close(client_.fd);
    client_ = {};
    unsent_.clear();
}

}  // namespace keyservice
