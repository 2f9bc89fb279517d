#pragma once
// Who may connect to the service: the user of the active session on seat0,
// as logind says and as it changes, or the one user named on the command
// line. The socket's file says the same, through its access list, so that no
// one else can even connect; each connection's peer is checked besides.

#include <sys/types.h>

#include <optional>
#include <string>

struct sd_login_monitor;

namespace keyservice {

class SeatAccess {
public:
    explicit SeatAccess(std::optional<uid_t> user) : fixed_(user), allowed_(user) {}
    SeatAccess(const SeatAccess&) = delete;
    SeatAccess& operator=(const SeatAccess&) = delete;
    ~SeatAccess();

    // Starts following logind, unless a user was named.
    void start();
    // To poll for logind's news, or -1.
    int fd() const;
    // Reads logind's news; true when who may connect has changed.
    bool refresh();

    std::optional<uid_t> allowed() const { return allowed_; }
    // Why this user may not connect; empty when they may.
    std::string refusal(uid_t uid) const;
    // Gives the allowed user, and no one else, access to the socket's file.
    void grant(const std::string& path) const;

private:
    std::optional<uid_t> activeUser() const;

    std::optional<uid_t> fixed_, allowed_;
    sd_login_monitor* monitor_ = nullptr;
};

}  // namespace keyservice
