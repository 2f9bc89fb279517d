#include "keyboard_service/seat_access.h"

#include <errno.h>
#include <sys/acl.h>
#include <sys/stat.h>
#include <systemd/sd-login.h>
#include <unistd.h>

#include <cstring>

#include "keyboard_service/log.h"

namespace keyservice {

namespace {

constexpr const char* kSeat = "seat0";

}  // namespace

SeatAccess::~SeatAccess() {
    if (monitor_) sd_login_monitor_unref(monitor_);
}

std::optional<uid_t> SeatAccess::activeUser() const {
    uid_t uid = 0;
    if (sd_seat_get_active(kSeat, nullptr, &uid) < 0) return std::nullopt;
    return uid;
}

void SeatAccess::start() {
    if (fixed_) {
        Log("only uid %u may connect", unsigned(*fixed_));
        return;
    }
    // The seat's file names its active session and user, and is written anew when they change.
    if (const int r = sd_login_monitor_new("seat", &monitor_); r < 0) {
        monitor_ = nullptr;
        Log("cannot follow logind's sessions (%s): no program may connect; name its user with --user UID",
            std::strerror(-r));
        return;
    }
    allowed_ = activeUser();
    if (allowed_)
        Log("the active user of %s is uid %u", kSeat, unsigned(*allowed_));
    else
        Log("no user is active on %s yet", kSeat);
}

int SeatAccess::fd() const { return monitor_ ? sd_login_monitor_get_fd(monitor_) : -1; }

bool SeatAccess::refresh() {
    if (!monitor_) return false;
    sd_login_monitor_flush(monitor_);
    const std::optional<uid_t> now = activeUser();
    if (now == allowed_) return false;
    allowed_ = now;
    if (now)
        Log("the active user of %s is now uid %u", kSeat, unsigned(*now));
    else
        Log("no user is active on %s now", kSeat);
    return true;
}

std::string SeatAccess::refusal(uid_t uid) const {
    if (allowed_ == uid) return {};
    if (fixed_) return "only uid " + std::to_string(*fixed_) + " may connect";
    if (!allowed_) return std::string("no user is active on ") + kSeat;
    return std::string("not the active user of ") + kSeat;
}

void SeatAccess::grant(const std::string& path) const {
    const uid_t self = geteuid();
    const bool other = allowed_ && *allowed_ != self;
    const std::string text =
        other ? "u::rw-,u:" + std::to_string(*allowed_) + ":rw-,g::---,m::rw-,o::---" : "u::rw-,g::---,o::---";
    if (acl_t acl = acl_from_text(text.c_str())) {
        const int r = acl_set_file(path.c_str(), ACL_TYPE_ACCESS, acl);
        const int error = errno;
        acl_free(acl);
        if (r == 0) return;
        errno = error;
    }
    const int aclError = errno;
    // A file system without access lists: the file can still be the user's
    // own, where the service may give it away (as root).
    if ((aclError == ENOTSUP || aclError == EOPNOTSUPP) && chown(path.c_str(), allowed_.value_or(self), -1) == 0 &&
        chmod(path.c_str(), 0600) == 0)
        return;
    if (other)
        Log("cannot give uid %u access to %s (%s): only its owner may connect", unsigned(*allowed_), path.c_str(),
            std::strerror(aclError));
}

}  // namespace keyservice
