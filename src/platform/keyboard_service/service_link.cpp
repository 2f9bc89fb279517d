#include "platform/keyboard_service/service_link.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace keyservice {

namespace {

// The service answers within its own loop's turn; a wait this long means it is stuck.
constexpr int kAnswerMs = 1000;

keylink::Message make(keylink::Kind kind, int number = 0) {
    keylink::Message m;
    m.kind = kind;
    m.number = number;
    return m;
}

}  // namespace

Expected<std::shared_ptr<ServiceLink>> ServiceLink::connect(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return Result::failure(path + ": the path is too long");
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return Result::failure(std::string("socket: ") + std::strerror(errno));
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const std::string why = path + ": " + std::strerror(errno);
        ::close(fd);
        return Result::failure(why);
    }
    return over(fd);
}

Expected<std::shared_ptr<ServiceLink>> ServiceLink::over(int fd) {
    std::shared_ptr<ServiceLink> link(new ServiceLink(fd));
    // A refusal comes before any answer: it is read as the answer to the greeting.
    const auto welcome = link->ask(make(keylink::Kind::Hello, keylink::kVersion), keylink::Kind::Welcome);
    if (!welcome)
        return Result::failure(link->refusal_.empty() ? "the keyboard service did not greet" : link->refusal_);
    return link;
}

ServiceLink::~ServiceLink() {
    if (fd_ >= 0) ::close(fd_);
}

void ServiceLink::send(const keylink::Message& message) {
    if (!alive()) return;
    out_ += keylink::Format(message);
    if (batch_ == 0) flush();
}

void ServiceLink::endBatch() {
    if (batch_ > 0 && --batch_ == 0) flush();
}

bool ServiceLink::flush() {
    std::size_t sent = 0;
    while (alive() && sent < out_.size()) {
        const ssize_t n = ::send(fd_, out_.data() + sent, out_.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            gone(std::string("the connection to the keyboard service broke: ") + std::strerror(errno));
            break;
        }
        sent += static_cast<std::size_t>(n);
    }
    out_.clear();
    return alive();
}

bool ServiceLink::receive(int timeoutMs) {
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeoutMs);
    if (ready <= 0) return ready == 0 || errno == EINTR;
    char buffer[4096];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0) return errno == EAGAIN || errno == EINTR ? true : (gone(std::strerror(errno)), false);
    if (n == 0) return gone(refusal_.empty() ? "the keyboard service ended the connection" : refusal_), false;
    if (!reader_.feed(std::string_view(buffer, static_cast<std::size_t>(n))))
        return gone("the keyboard service sent a line that is too long"), false;
    return true;
}

std::optional<keylink::Message> ServiceLink::nextMessage() {
    while (const auto line = reader_.next()) {
        if (auto m = keylink::Parse(*line)) return m;
        gone("the keyboard service sent what is not a message");
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<keylink::Message> ServiceLink::ask(const keylink::Message& message, keylink::Kind answer) {
    send(message);
    flush();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerMs);
    while (alive()) {
        std::optional<keylink::Message> found;
        while (auto m = nextMessage()) {
            if (m->kind == keylink::Kind::Hit)
                hits_.push_back(*m);
            else if (m->kind == keylink::Kind::Refused)
                refusal_ = "the keyboard service refused the program: " + m->why;
            else if (!found &&
                     (m->kind == answer || (answer == keylink::Kind::Took && m->kind == keylink::Kind::Taken)))
                // Lines read with the answer are taken too: a hit among them
                // would otherwise wait for the socket's next line.
                found = m;
        }
        if (found) {
            if (!hits_.empty() && onHitsKept) onHitsKept();
            return found;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            gone("the keyboard service did not answer within a second");
            break;
        }
        if (!receive(static_cast<int>(left.count()))) break;
    }
    return std::nullopt;
}

void ServiceLink::readHits() {
    if (alive()) receive(0);
    while (alive()) {
        auto m = nextMessage();
        if (!m) break;
        if (m->kind == keylink::Kind::Hit) hits_.push_back(*m);
    }
    while (!hits_.empty()) {
        const keylink::Message hit = hits_.front();
        hits_.pop_front();
        if (onHit) onHit(hit.number, hit.repeat);
    }
}

void ServiceLink::gone(const std::string& why) {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
    if (onGone) onGone(why);
}

}  // namespace keyservice
