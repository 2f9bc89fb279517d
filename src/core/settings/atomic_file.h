#pragma once
#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "core/diag/result.h"

namespace atomicfile {

// The whole file; nothing when it does not exist. A file that exists but
// cannot be read is an error, reported in `error`: so is anything but a
// regular file (a named pipe would hold the reader, a device give bytes
// without end), and a file larger than `maxBytes`, which is not read at all.
std::optional<std::string> readAll(const std::string& path, std::string* error,
                                   std::size_t maxBytes = std::numeric_limits<std::size_t>::max());

// Replaces the file's contents so that a crash or a full disk leaves either
// the old file or the new one, never a mix: the bytes go to a temporary file
// in the same folder, are flushed to disk, and the temporary file is renamed
// over the old one, which keeps its permissions (mode and owner on POSIX,
// access list and attributes on Windows). A read-only file is refused, not
// replaced. On POSIX a symbolic link is followed: the file it points to is
// written, or made when it does not exist yet, and the link stays. One
// implementation per system: atomic_file_posix.cpp, atomic_file_win32.cpp.
Result replace(const std::string& path, std::string_view bytes);

// Removes the temporary files that saves of `path` left when they were ended
// before their rename (a crash, a kill) and that no running save still owns;
// nothing else is touched. For the program's start; replace() also calls it
// after each save. Names and the rule for "left over": temporary_name.h.
void removeStaleTemporaries(const std::string& path);

}  // namespace atomicfile
