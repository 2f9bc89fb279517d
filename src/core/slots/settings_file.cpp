#include "core/slots/settings_file.h"

#include "core/settings/atomic_file.h"
#include "core/settings/folders.h"
#include "core/settings/modINI.h"
#include "core/settings/profile_file.h"

namespace app {

namespace {

constexpr const char* kChordSection = "Zorvane";

// The folder part of a file's path; empty when the path names none.
std::string parentFolder(const std::string& path) {
    for (std::size_t i = path.size(); i > 0; --i)
        if (folders::isSeparator(path[i - 1])) return path.substr(0, i - 1);
    return {};
}

}  // namespace

SettingsFile SettingsFile::ForProgram() {
    return SettingsFile(modINI::SettingsPathFor(modINI::ProgramFolder(), kFileName));
}

std::string SettingsFile::read(const std::string& section, const std::string& key, const std::string& fallback) const {
    return profile::readValue(path_, section, key, fallback);
}

WriteResult SettingsFile::write(const std::string& section, const std::string& key, const std::string& value) const {
    // A first save into the user's configuration folder may find it missing.
    if (const std::string why = folders::createFolders(parentFolder(path_)); !why.empty())
        return WriteResult::failure(why);
    return profile::writeValue(path_, section, key, value);
}

std::string SettingsFile::unreadableReason() const { return profile::unreadableReason(path_); }

void SettingsFile::removeStaleTemporaries() const { atomicfile::removeStaleTemporaries(path_); }

std::string IniChordStore::read(const std::string& key, const std::string& fallback) {
    return file_.read(kChordSection, key, fallback);
}

WriteResult IniChordStore::write(const std::string& key, const std::string& value) {
    return file_.write(kChordSection, key, value);
}

}  // namespace app
