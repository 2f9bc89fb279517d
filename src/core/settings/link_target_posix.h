#pragma once
#include <string>

namespace atomicfile {

// The file that `path` ends at once the symbolic links it is are followed,
// whether or not that file exists yet: a save writes there and leaves the
// links as they are. Sets `*error` to an errno value when a link cannot be
// read or the links go round in a circle.
std::string followLinks(const std::string& path, int* error);

// The folder that holds `path`; "." for a bare name.
std::string folderOf(const std::string& path);

}  // namespace atomicfile
