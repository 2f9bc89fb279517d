#pragma once
// Where a hotkey control keeps its chord between runs: three values, Text,
// KeyCode and ModKeyCode, under keys named after the control. The settings
// file's store is app::IniChordStore (core/slots/settings_file.h).

#include <string>

#include "core/diag/result.h"

namespace hotkey {

class ChordStore {
public:
    virtual ~ChordStore() = default;
    virtual std::string read(const std::string& key, const std::string& fallback) = 0;
    virtual Result write(const std::string& key, const std::string& value) = 0;
};

}  // namespace hotkey
