#pragma once
// Where a hotkey control keeps its chord between runs: three values, Text,
// KeyCode and ModKeyCode, under keys named after the control.

#include <string>

#include "core/settings/write_result.h"

namespace hotkey {

class ChordStore {
public:
    virtual ~ChordStore() = default;
    virtual std::string read(const std::string& key, const std::string& fallback) = 0;
    virtual WriteResult write(const std::string& key, const std::string& value) = 0;
};

// Section "Zorvane" of the settings file of the given name, in the program's folder.
class IniChordStore : public ChordStore {
public:
    explicit IniChordStore(std::string fileName) : fileName_(std::move(fileName)) {}
    // Points the settings module at the file; reading the chord does this first.
    void select();
    std::string read(const std::string& key, const std::string& fallback) override;
    WriteResult write(const std::string& key, const std::string& value) override;

private:
    std::string fileName_;
};

}  // namespace hotkey
