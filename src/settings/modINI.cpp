#include "settings/modINI.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

#include "settings/profile_file.h"

namespace modINI {

std::string INIPath;

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

std::string userConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* pw = ::getpwuid(::getuid());
        home = pw ? pw->pw_dir : "/tmp";
    }
    return JoinPath(home, ".config");
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& fileName) {
    if (!folder.empty() && folder.back() == kSeparator) return folder + fileName;
    return folder + kSeparator + fileName;
}

std::string ProgramFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec).string();
    return exe.parent_path().string();
}

std::string ChooseSettingsPath(const std::string& programFolder, const std::string& fileName) {
    const std::string beside = JoinPath(programFolder, fileName);
    if (::access(beside.c_str(), F_OK) == 0 || ::access(programFolder.c_str(), W_OK) == 0) return beside;
    return JoinPath(JoinPath(userConfigFolder(), "zorvane-change-hotkey"), fileName);
}

void SetINIFile(const std::string& fileName) { INIPath = ChooseSettingsPath(ProgramFolder(), fileName); }

std::string ReadINI(const std::string& section, const std::string& key, const std::string& defaultValue) {
    if (INIPath.empty()) return defaultValue;
    return profile::readValue(INIPath, section, key, defaultValue);
}

WriteResult WriteINI(const std::string& section, const std::string& key, const std::string& value) {
    if (INIPath.empty()) return WriteResult::failure("no settings file has been chosen");
    const auto folder = std::filesystem::path(INIPath).parent_path();
    std::error_code ec;
    if (!folder.empty() && !std::filesystem::exists(folder, ec)) {
        std::filesystem::create_directories(folder, ec);
        if (ec) return WriteResult::failure(folder.string() + ": " + ec.message());
    }
    return profile::writeValue(INIPath, section, key, value);
}

}  // namespace modINI
