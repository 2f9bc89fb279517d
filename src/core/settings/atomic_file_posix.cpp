#include "core/settings/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "core/settings/link_target_posix.h"
#include "core/settings/temporary_name.h"

namespace atomicfile {

namespace {

std::string describe(const std::string& what, int err) { return what + ": " + std::strerror(err); }

bool writeFully(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

mode_t defaultMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Why a save must not go to `target`, before anything is written; nothing
// when it may. `old` is the file there now, if there is one.
std::string refusal(const std::string& path, const std::string& target, const struct stat* old) {
    if (!old) {
        std::error_code ec;
        if (target != path && !std::filesystem::is_directory(folderOf(target), ec))
            return path + ": this is a symbolic link to " + target + ", whose folder does not exist";
        return {};
    }
    if (S_ISDIR(old->st_mode)) return describe(target, EISDIR);
    // The rename would get round the file's own permissions, so a file its
    // owner made read-only (no write bit for the owner: chmod 444, chmod u-w)
    // is refused, as Windows refuses one marked read-only; this binds root
    // too, whom no permission stops. Anyone else is also refused a file they
    // have no write access to.
    if (!(old->st_mode & S_IWUSR) || (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES))
        return target + ": the file is read-only";
    return {};
}

}  // namespace

std::optional<std::string> readAll(const std::string& path, std::string* error, std::size_t maxBytes) {
    // Not blocking: opening a named pipe would wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno != ENOENT && error) *error = describe(path, errno);
        return std::nullopt;
    }
    auto refuse = [&](const std::string& why) {
        ::close(fd);
        if (error) *error = why;
        return std::nullopt;
    };
    auto notRead = [&](const std::string& why) {
        return refuse(path + ": the file could not be read (" + why + ") and is left as it is");
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0) return refuse(describe(path, errno));
    if (S_ISDIR(st.st_mode)) return refuse(describe(path, EISDIR));
    if (!S_ISREG(st.st_mode))
        return notRead(std::string("it is no regular file but ") + (S_ISFIFO(st.st_mode)   ? "a named pipe"
                                                                    : S_ISSOCK(st.st_mode) ? "a socket"
                                                                                           : "a device"));
    const std::string tooLarge =
        "it is larger than " + std::to_string(maxBytes / 1024) + " KB, more than any such file holds";
    if (static_cast<unsigned long long>(st.st_size) > maxBytes) return notRead(tooLarge);
    std::string data;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return refuse(describe(path, errno));
        }
        if (n == 0) break;
        // It may have grown since fstat.
        if (static_cast<std::size_t>(n) > maxBytes - data.size()) return notRead(tooLarge);
        data.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return data;
}

Result replace(const std::string& path, std::string_view bytes) {
    int linkError = 0;
    const std::string target = followLinks(path, &linkError);
    if (linkError) return Result::failure(describe(path, linkError));
    const std::string folder = folderOf(target);
    const std::string fileName = std::filesystem::path(target).filename().string();

    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (const std::string why = refusal(path, target, existed ? &old : nullptr); !why.empty())
        return Result::failure(why);

    std::string tmp = folder + "/" + temporaryPrefix(fileName, static_cast<unsigned long>(::getpid())) +
                      std::string(kRandomLength, 'X');
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) return Result::failure(describe(folder, errno));

    auto fail = [&](int err, const std::string& what) {
        ::close(fd);
        ::unlink(tmp.c_str());
        return Result::failure(describe(what, err));
    };
    if (!writeFully(fd, bytes)) return fail(errno, target);
    if (::fsync(fd) != 0) return fail(errno, target);
    if (existed) {
        if (::fchmod(fd, old.st_mode & 07777) != 0) return fail(errno, target);
        // Only root can give the file back to another owner; the contents matter more.
        [[maybe_unused]] const int ignored = ::fchown(fd, old.st_uid, old.st_gid);
    } else if (::fchmod(fd, defaultMode()) != 0) {
        return fail(errno, target);
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return Result::failure(describe(target, err));
    }
    if (::rename(tmp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return Result::failure(describe(target, err));
    }
    syncFolder(folder);
    removeStaleTemporaries(target);
    return Result::success();
}

}  // namespace atomicfile
