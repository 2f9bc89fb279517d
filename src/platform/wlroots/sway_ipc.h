#pragma once
// sway's IPC (the i3 protocol): each message is "i3-ipc", the payload's
// length and the message's type (32 bits each, in the machine's byte order),
// then the payload, JSON. A reply has its request's type; events have the
// high bit set.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/diag/result.h"

namespace wlroots {

namespace ipc {
inline constexpr std::uint32_t RunCommand = 0, Subscribe = 2, GetConfig = 9;
inline constexpr std::uint32_t WorkspaceEvent = 0x80000000, BindingEvent = 0x80000005, ShutdownEvent = 0x80000006;
}  // namespace ipc

struct IpcMessage {
    std::uint32_t type = 0;
    std::string payload;
};

std::string EncodeIpc(std::uint32_t type, std::string_view payload);

// Cuts whole messages out of the bytes read so far.
class IpcDecoder {
public:
    void feed(std::string_view bytes) { buffer_.append(bytes); }
    // The next whole message; nothing until one is there, or once the stream
    // is broken (no "i3-ipc" where a message must start, or one too long).
    std::optional<IpcMessage> next();
    bool broken() const { return broken_; }

private:
    std::string buffer_;
    bool broken_ = false;
};

// One connection to sway's socket.
class SwayIpc {
public:
    static Expected<std::unique_ptr<SwayIpc>> connect(const std::string& socketPath);
    ~SwayIpc();
    SwayIpc(const SwayIpc&) = delete;
    SwayIpc& operator=(const SwayIpc&) = delete;

    // Sends a request and waits for its reply (events that come first are
    // kept for readEvents).
    Expected<std::string> request(std::uint32_t type, std::string_view payload);
    // Runs sway commands (";" between them); fails with sway's first error.
    Result run(std::string_view commands);

    int fd() const { return fd_; }
    // The events there are now, without waiting; `closed` when sway went away.
    std::vector<IpcMessage> readEvents(bool* closed);

private:
    explicit SwayIpc(int fd) : fd_(fd) {}
    enum class Fill { Read, Nothing, Closed };
    // Reads what comes within the time; Closed when the connection ended or broke.
    Fill fill(int timeoutMs);

    int fd_;
    IpcDecoder decoder_;
    std::vector<IpcMessage> events_;
};

// The outcome of RUN_COMMAND's reply: an array with one {"success", "error"} per command.
Result CommandOutcome(std::string_view reply);

}  // namespace wlroots
