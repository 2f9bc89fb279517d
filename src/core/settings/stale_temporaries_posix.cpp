#include <sys/stat.h>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <filesystem>

#include "core/settings/atomic_file.h"
#include "core/settings/link_target_posix.h"
#include "core/settings/temporary_name.h"

namespace atomicfile {

namespace {

// EPERM: the process exists but belongs to another user.
bool isRunning(unsigned long pid) { return pid != 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM); }

}  // namespace

void removeStaleTemporaries(const std::string& path) {
    int linkError = 0;
    const std::string target = followLinks(path, &linkError);
    if (linkError) return;
    const std::string fileName = std::filesystem::path(target).filename().string();
    std::error_code ec;
    const std::filesystem::directory_iterator end;
    for (auto it = std::filesystem::directory_iterator(folderOf(target), ec); !ec && it != end; it.increment(ec)) {
        const auto owner = temporaryOwner(it->path().filename().string(), fileName);
        struct stat st {};
        // A link or a folder with such a name was not made by a save.
        if (!owner || ::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        std::error_code ignored;
        if (isStale(isRunning(*owner), std::time(nullptr) - st.st_mtime)) std::filesystem::remove(it->path(), ignored);
    }
}

}  // namespace atomicfile
