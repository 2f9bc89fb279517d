#include "core/settings/modINI.h"

#include "core/settings/atomic_file.h"
#include "core/settings/folders.h"
#include "core/settings/profile_file.h"

namespace modINI {

std::string INIPath;

namespace {

// The folder part of a file's path; empty when the path names none.
std::string parentFolder(const std::string& path) {
    for (std::size_t i = path.size(); i > 0; --i)
        if (folders::isSeparator(path[i - 1])) return path.substr(0, i - 1);
    return {};
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& fileName) {
    if (!folder.empty() && folders::isSeparator(folder.back())) return folder + fileName;
    return folder + folders::kSeparator + fileName;
}

std::string ProgramFolder() { return folders::programFolder(); }

std::string ChooseSettingsPath(const std::string& programFolder, const std::string& fileName) {
    const std::string beside = JoinPath(programFolder, fileName);
    if (!folders::kLeaveUnwritableFolder && folders::exists(beside)) return beside;
    // A packaged program's folder is the package manager's, even for root: a
    // file there would outlive the package.
    if (folders::isWritableFolder(programFolder) && !folders::isPackagedFolder(programFolder)) return beside;
    return JoinPath(JoinPath(folders::userConfigFolder(), "zorvane-change-hotkey"), fileName);
}

std::string SettingsPathFor(const std::string& programFolder, const std::string& fileName) {
    const std::string chosen = ChooseSettingsPath(programFolder, fileName);
    const std::string beside = JoinPath(programFolder, fileName);
    if (chosen == beside || !folders::exists(beside) || folders::exists(chosen)) return chosen;
    const auto bytes = atomicfile::readAll(beside, nullptr, profile::kMaxFileBytes);
    if (bytes && folders::createFolders(parentFolder(chosen)) && atomicfile::replace(chosen, *bytes)) return chosen;
    return beside;
}

void SetINIFile(const std::string& fileName) { INIPath = SettingsPathFor(ProgramFolder(), fileName); }

std::string UnreadableReason() { return INIPath.empty() ? std::string() : profile::unreadableReason(INIPath); }

std::string ReadINI(const std::string& section, const std::string& key, const std::string& defaultValue) {
    return ReadINI(INIPath, section, key, defaultValue);
}

std::string ReadINI(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& defaultValue) {
    if (file.empty()) return defaultValue;
    return profile::readValue(file, section, key, defaultValue);
}

Result WriteINI(const std::string& section, const std::string& key, const std::string& value) {
    return WriteINIValues({{section, key, value}});
}

Result WriteINIValues(const std::vector<profile::Entry>& entries) { return WriteINIValues(INIPath, entries); }

Result WriteINI(const std::string& file, const std::string& section, const std::string& key, const std::string& value) {
    return WriteINIValues(file, {{section, key, value}});
}

Result WriteINIValues(const std::string& file, const std::vector<profile::Entry>& entries) {
    if (file.empty()) return Result::failure("no settings file has been chosen");
    // A first save into the user's configuration folder may find it missing.
    if (Result r = folders::createFolders(parentFolder(file)); !r) return r;
    return profile::writeValues(file, entries);
}

}  // namespace modINI
