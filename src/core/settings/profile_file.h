#pragma once
// Reading and writing single values of a profile (INI) file on disk, with the
// behaviour Windows programs expect of their profile functions. Text comes in
// and goes out as UTF-8; a file whose Chinese is GBK (textenc::detect) came
// from Windows, and one in UTF-16 was saved there as "Unicode": each is read
// and written in its own form.

#include <cstddef>
#include <string>
#include <vector>

#include "core/diag/result.h"

namespace profile {

// How the lines of a new file end: as the system's own text files do.
#ifdef _WIN32
inline constexpr const char* kNewFileEol = "\r\n";
#else
inline constexpr const char* kNewFileEol = "\n";
#endif

// The longest value a read gives back, in bytes of its stored form.
inline constexpr std::size_t kMaxValueBytes = 254;

// The largest file that is read. The program keeps 50 values (30 of the
// chords, 20 of the targets), each read up to kMaxValueBytes: under 15 KB
// with their keys, twice that in UTF-16. A hand-edited file may hold far
// longer values and comments, which are read and cut; a file beyond this
// bound is no settings file (a log saved under its name, a link to a
// device): it is unreadable, not cut short. Any file within it is read
// whole in milliseconds.
inline constexpr std::size_t kMaxFileBytes = 16 << 20;

// The value, or `fallback` when the file, section or key is missing. An
// existing key with an empty value gives the empty string. Bytes that are no
// text in the file's encoding are kept or shown as U+FFFD
// (textenc::fromStored), and logged; the rest of the value is read.
std::string readValue(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& fallback);

// Why the file exists but cannot be read: its bytes are no text we can write
// back as it is, it is no regular file or larger than kMaxFileBytes, or the
// system refuses to read it. Empty when it can be read or does not exist.
// Such a file gives fallbacks and takes no writes.
std::string unreadableReason(const std::string& path);

// A value that a read gives already is not written again, so a value read
// with stray bytes in it can be written back unchanged.
Result writeValue(const std::string& path, const std::string& section, const std::string& key,
                  const std::string& value);

struct Entry {
    std::string section, key, value;
};
// Sets every value, in order, and writes the file once: what writeValue for
// each in turn would leave. A value that cannot be set is passed over; the
// first such failure is given back once the others are written.
Result writeValues(const std::string& path, const std::vector<Entry>& entries);

}  // namespace profile
