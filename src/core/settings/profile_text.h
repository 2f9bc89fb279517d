#pragma once
// The profile (INI) file format on raw bytes, with no file access: finding a
// value, and producing the file's new bytes after one value is set. Section
// and key names match without regard to ASCII case or surrounding blanks; the
// first of duplicate sections and of duplicate keys wins.

#include <optional>
#include <string>
#include <string_view>

namespace profile {

// The stored value of key in section, blanks and one pair of enclosing quotes
// removed; nothing when the section or key is absent.
std::optional<std::string> lookup(std::string_view file, std::string_view section, std::string_view key);

// Why section, key or value cannot be written as one well-formed line; empty when they can.
std::string invalidEntryReason(std::string_view section, std::string_view key, std::string_view value);

// The file's bytes with key=value set in section. Every other byte stays as it
// was; a new section or key uses the file's own line ending, or `newFileEol`
// when the file has none yet. The entry must have passed invalidEntryReason.
std::string withValue(std::string_view file, std::string_view section, std::string_view key, std::string_view value,
                      std::string_view newFileEol);

}  // namespace profile
