#include "platform/wlroots/sway_ipc.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace wlroots {

namespace {

constexpr std::string_view kMagic = "i3-ipc";
constexpr std::size_t kHeader = kMagic.size() + 8;
// Far more than any configuration: a length beyond it means the stream is lost.
constexpr std::uint32_t kMaxPayload = 64u << 20;
// sway answers at once; a compositor that does not within this is stuck.
constexpr int kReplyTimeoutMs = 2000;

}  // namespace

std::string EncodeIpc(std::uint32_t type, std::string_view payload) {
    std::string out(kMagic);
    const auto length = static_cast<std::uint32_t>(payload.size());
    out.append(reinterpret_cast<const char*>(&length), 4);
    out.append(reinterpret_cast<const char*>(&type), 4);
    out.append(payload);
    return out;
}

std::optional<IpcMessage> IpcDecoder::next() {
    if (broken_ || buffer_.size() < kHeader) return std::nullopt;
    if (std::string_view(buffer_).substr(0, kMagic.size()) != kMagic) {
        broken_ = true;
        return std::nullopt;
    }
    std::uint32_t length = 0, type = 0;
    std::memcpy(&length, buffer_.data() + kMagic.size(), 4);
    std::memcpy(&type, buffer_.data() + kMagic.size() + 4, 4);
    if (length > kMaxPayload) {
        broken_ = true;
        return std::nullopt;
    }
    if (buffer_.size() < kHeader + length) return std::nullopt;
    IpcMessage m{type, buffer_.substr(kHeader, length)};
    buffer_.erase(0, kHeader + length);
    return m;
}

Expected<std::unique_ptr<SwayIpc>> SwayIpc::connect(const std::string& socketPath) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof addr.sun_path)
        return Result::failure("no usable sway socket (SWAYSOCK is \"" + socketPath + "\")");
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return Result::failure(std::string("no socket: ") + std::strerror(errno));
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        const std::string why = std::strerror(errno);
        ::close(fd);
        return Result::failure("cannot reach sway at " + socketPath + ": " + why);
    }
    return std::unique_ptr<SwayIpc>(new SwayIpc(fd));
}

SwayIpc::~SwayIpc() { ::close(fd_); }

SwayIpc::Fill SwayIpc::fill(int timeoutMs) {
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeoutMs);
    if (ready < 0) return errno == EINTR ? Fill::Nothing : Fill::Closed;
    if (ready == 0) return Fill::Nothing;
    char buf[65536];
    const ssize_t n = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
    if (n < 0) return errno == EAGAIN || errno == EINTR ? Fill::Nothing : Fill::Closed;
    if (n == 0) return Fill::Closed;
    decoder_.feed(std::string_view(buf, static_cast<std::size_t>(n)));
    return decoder_.broken() ? Fill::Closed : Fill::Read;
}

Expected<std::string> SwayIpc::request(std::uint32_t type, std::string_view payload) {
    const std::string bytes = EncodeIpc(type, payload);
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Result::failure(std::string("sway's socket took no request: ") + std::strerror(errno));
        sent += static_cast<std::size_t>(n);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReplyTimeoutMs);
    for (;;) {
        while (std::optional<IpcMessage> m = decoder_.next()) {
            if (m->type == type) return std::move(m->payload);
            if (m->type & 0x80000000u) events_.push_back(std::move(*m));
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return Result::failure("sway did not answer within 2 s");
        if (fill(static_cast<int>(left.count())) == Fill::Closed) return Result::failure("sway's socket closed");
    }
}

Result SwayIpc::run(std::string_view commands) {
    const Expected<std::string> reply = request(ipc::RunCommand, commands);
    if (!reply) return Result::failure(reply.why());
    return CommandOutcome(*reply);
}

std::vector<IpcMessage> SwayIpc::readEvents(bool* closed) {
    *closed = fill(0) == Fill::Closed;
    while (std::optional<IpcMessage> m = decoder_.next()) events_.push_back(std::move(*m));
    return std::exchange(events_, {});
}

Result CommandOutcome(std::string_view reply) {
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(reply.data(), static_cast<qsizetype>(reply.size())));
    if (!doc.isArray()) return Result::failure("sway's answer is no list of outcomes: " + std::string(reply));
    for (const QJsonValue& v : doc.array()) {
        const QJsonObject o = v.toObject();
        if (!o.value("success").toBool())
            return Result::failure(o.value("error").toString("sway refused the command").toStdString());
    }
    return Result::success();
}

}  // namespace wlroots
