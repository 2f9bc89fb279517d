#include "core/settings/folders.h"

#include <pwd.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>

namespace folders {

std::string programFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec).string();
    return exe.parent_path().string();
}

std::string userConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* pw = ::getpwuid(::getuid());
        home = pw ? pw->pw_dir : "/tmp";
    }
    std::string folder = home;
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder + ".config";
}

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

bool isWritableFolder(const std::string& folder) { return ::access(folder.c_str(), W_OK) == 0; }

bool isPackagedFolder(const std::string& folder) { return folder == "/usr" || folder.rfind("/usr/", 0) == 0; }

Result createFolders(const std::string& folder) {
    std::error_code ec;
    if (folder.empty() || std::filesystem::exists(folder, ec)) return Result::success();
    std::filesystem::create_directories(folder, ec);
    return ec ? Result::failure(folder + ": " + ec.message()) : Result::success();
}

}  // namespace folders
