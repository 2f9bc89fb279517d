#include "core/slots/settings_file.h"

#include "core/settings/atomic_file.h"
#include "core/settings/modINI.h"
#include "core/settings/profile_file.h"

namespace app {

namespace {

constexpr const char* kChordSection = "Zorvane";

}  // namespace

SettingsFile SettingsFile::ForProgram() {
    return SettingsFile(modINI::SettingsPathFor(modINI::ProgramFolder(), kFileName));
}

std::string SettingsFile::read(const std::string& section, const std::string& key, const std::string& fallback) const {
    return modINI::ReadINI(path_, section, key, fallback);
}

Result SettingsFile::write(const std::string& section, const std::string& key, const std::string& value) const {
    return modINI::WriteINI(path_, section, key, value);
}

Result SettingsFile::writeAll(const std::vector<profile::Entry>& entries) const {
    return modINI::WriteINIValues(path_, entries);
}

std::string SettingsFile::unreadableReason() const { return profile::unreadableReason(path_); }

void SettingsFile::removeStaleTemporaries() const { atomicfile::removeStaleTemporaries(path_); }

std::string IniChordStore::read(const std::string& key, const std::string& fallback) {
    return file_.read(kChordSection, key, fallback);
}

Result IniChordStore::write(const std::string& key, const std::string& value) {
    if (batching_) {
        batch_.push_back({kChordSection, key, value});
        return Result::success();
    }
    return file_.write(kChordSection, key, value);
}

void IniChordStore::beginBatch() {
    batching_ = true;
    batch_.clear();
}

Result IniChordStore::endBatch() {
    batching_ = false;
    std::vector<profile::Entry> batch;
    batch.swap(batch_);
    return batch.empty() ? Result::success() : file_.writeAll(batch);
}

}  // namespace app
