#pragma once
#include <cstddef>
#include <optional>
#include <string>

// How a save names its temporary file beside the settings file:
// ".<file name>.saving-<process id>-<6 letters or digits>". The fixed part
// tells a save's leftovers from the user's own files; the process id tells
// whether the save that made one may still be running.
namespace atomicfile {

constexpr std::size_t kRandomLength = 6;

// ".set.ini.saving-1234-": the name up to its random part.
std::string temporaryPrefix(const std::string& fileName, unsigned long pid);

// The process that made `candidate` as a temporary file of `fileName`;
// nothing when `candidate` is not such a name.
std::optional<unsigned long> temporaryOwner(const std::string& candidate, const std::string& fileName);

// A temporary file is left over when the process that made it has ended. One
// older than a minute is too: a save writes and renames its file within
// moments, and the process id may since have been given to another program.
// Taking one from a save that somehow still runs costs only that save, which
// then reports that its rename failed; the old file stays as it was.
bool isStale(bool ownerRunning, long long ageSeconds);

}  // namespace atomicfile
