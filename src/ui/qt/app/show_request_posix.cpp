#include "ui/qt/app/show_request_posix.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace showrequest {

namespace {

struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
};

std::string failed(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

long PeerUser(int socket) {
    ucred cred{};
    socklen_t size = sizeof cred;
    if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0 || size != sizeof cred) return -1;
    return static_cast<long>(cred.uid);
}

Asked AskToShow(const std::string& socketPath, int timeoutMs, std::string* why) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) {
        *why = socketPath + ": the name is too long for a socket";
        return Asked::NoAnswer;
    }
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *why = failed("socket");
        return Asked::NoAnswer;
    }
    const Closer closer{fd};
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        *why = failed(socketPath);
        return Asked::NoAnswer;
    }
    // The folder is this user's alone, but root can put anything there: a
    // process that is not this user's is neither asked nor believed.
    if (const long peer = PeerUser(fd); peer != static_cast<long>(::getuid())) {
        *why = socketPath + " is answered by a process of user " + std::to_string(peer) + ", not of user " +
               std::to_string(::getuid());
        return Asked::Foreign;
    }
    const auto length = static_cast<ssize_t>(std::strlen(kRequest));
    if (::send(fd, kRequest, length, MSG_NOSIGNAL) != length) {
        *why = failed(socketPath);
        return Asked::NoAnswer;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string answer;
    while (answer.find('\n') == std::string::npos) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        const int ready = left.count() > 0 ? ::poll(&p, 1, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) {
            *why = socketPath + ": no answer within " + std::to_string(timeoutMs) + " ms";
            return Asked::NoAnswer;
        }
        char buffer[32];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            *why = socketPath + ": the copy there went away without answering";
            return Asked::NoAnswer;
        }
        answer.append(buffer, static_cast<std::size_t>(got));
    }
    if (answer == kAnswer) return Asked::Shown;
    *why = socketPath + ": an answer that is not the program's";
    return Asked::NoAnswer;
}

}  // namespace showrequest
