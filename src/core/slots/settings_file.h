#pragma once
// The settings file, set.ini: chosen once as the program starts and handed
// to everything that reads or writes it (the slot table, and through
// IniChordStore the hotkey controls). Nothing here is global: two settings
// files can be open side by side, as the tests have them.

#include <string>
#include <vector>

#include "core/diag/result.h"
#include "core/hotkey/chord_store.h"
#include "core/settings/profile_file.h"

namespace app {

class SettingsFile {
public:
    static constexpr const char* kFileName = "set.ini";
    // The program's own: beside it, or in the user's configuration folder
    // where its folder takes no files (modINI::SettingsPathFor, which starts
    // the user's copy from a file beside the program that gives way).
    static SettingsFile ForProgram();

    explicit SettingsFile(std::string path) : path_(std::move(path)) {}
    const std::string& path() const { return path_; }

    // The value, or `fallback` when the file, section or key is missing.
    std::string read(const std::string& section, const std::string& key, const std::string& fallback) const;
    // Makes the file's folder first when it is missing; a failure says why.
    Result write(const std::string& section, const std::string& key, const std::string& value) const;
    // Every value in order, the file written once: what write() for each would leave.
    Result writeAll(const std::vector<profile::Entry>& entries) const;
    // Why the file cannot be read and will not be written; empty when it can
    // be read or does not exist.
    std::string unreadableReason() const;
    // Removes what saves that were killed half-way left beside the file.
    void removeStaleTemporaries() const;

private:
    std::string path_;
};

// Section "Zorvane" of the settings file: where the hotkey controls keep their chords.
class IniChordStore : public hotkey::ChordStore {
public:
    explicit IniChordStore(const SettingsFile& file) : file_(file) {}
    std::string read(const std::string& key, const std::string& fallback) override;
    Result write(const std::string& key, const std::string& value) override;
    // Writes from here to endBatch() go to the file together, in one write
    // (the exit routine saves thirty values).
    void beginBatch();
    Result endBatch();

private:
    const SettingsFile& file_;
    bool batching_ = false;
    std::vector<profile::Entry> batch_;
};

}  // namespace app
