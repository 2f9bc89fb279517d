#pragma once
// The service's Unix socket and the one program connected to it. Reading
// goes through keylink::LineReader, so no line grows past its bound; writing
// never waits: what the program does not read at once is kept, up to a bound,
// beyond which it is dropped as not listening.

#include <sys/types.h>

#include <optional>
#include <string>

#include "core/keyboard_link/message.h"

namespace keyservice {

// The line that tells a program why it is refused or dropped.
std::string RefusalLine(const std::string& why);

struct Peer {
    int fd = -1;
    uid_t uid = 0;
    pid_t pid = 0;
};

class ClientSocket {
public:
    ClientSocket() = default;
    ClientSocket(const ClientSocket&) = delete;
    ClientSocket& operator=(const ClientSocket&) = delete;
    ~ClientSocket();

    // Listens at `path`, replacing a socket no one listens at any more; the
    // file is its owner's alone until access is granted.
    bool listen(const std::string& path, std::string& error);
    int listenFd() const { return listen_; }
    // Removes the socket's file, if it is still the one made here.
    void unlink();

    // The next connection waiting, with who made it.
    std::optional<Peer> accept();
    // Tells a connection why it is refused, and closes it.
    static void refuse(Peer& peer, const std::string& why);

    void adopt(const Peer& peer);
    bool connected() const { return client_.fd >= 0; }
    const Peer& client() const { return client_; }

    enum class Received { Lines, Nothing, Left, TooLong };
    // Reads what the program sent; its whole lines then come from nextLine().
    Received receive();
    std::optional<std::string> nextLine() { return reader_.next(); }

    // Sends a line, keeping what cannot go at once; false when too much is kept.
    bool send(const std::string& line);
    // Sends what was kept, when the socket takes more; false on failure.
    bool flush();
    bool hasUnsent() const { return !unsent_.empty(); }
    void close();

private:
    int listen_ = -1;
    std::string path_;
    ino_t inode_ = 0;
    Peer client_;
    keylink::LineReader reader_;
    std::string unsent_;
};

}  // namespace keyservice
