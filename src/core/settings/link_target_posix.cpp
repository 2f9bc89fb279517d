#include "core/settings/link_target_posix.h"

#include <sys/stat.h>
#include <cerrno>
#include <filesystem>

namespace atomicfile {

namespace {

// As many links as the kernel follows before it gives up with ELOOP.
constexpr int kMostLinks = 40;

}  // namespace

std::string followLinks(const std::string& path, int* error) {
    std::filesystem::path at(path);
    for (int hop = 0; hop < kMostLinks; ++hop) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at.string();
        std::error_code ec;
        const std::filesystem::path next = std::filesystem::read_symlink(at, ec);
        if (ec) {
            *error = ec.value();
            return path;
        }
        // A relative link is read from the folder the link is in.
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    *error = ELOOP;
    return path;
}

std::string folderOf(const std::string& path) {
    const std::filesystem::path p(path);
    return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}

}  // namespace atomicfile
