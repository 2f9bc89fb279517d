#include "core/hotkey/chord_store.h"

#include "core/settings/modINI.h"

namespace hotkey {

namespace {
constexpr const char* kSection = "Zorvane";
}

void IniChordStore::select() { modINI::SetINIFile(fileName_); }

std::string IniChordStore::read(const std::string& key, const std::string& fallback) {
    return modINI::ReadINI(kSection, key, fallback);
}

// Saving does not choose the file again: it goes to the file the last read chose.
WriteResult IniChordStore::write(const std::string& key, const std::string& value) {
    return modINI::WriteINI(kSection, key, value);
}

}  // namespace hotkey
