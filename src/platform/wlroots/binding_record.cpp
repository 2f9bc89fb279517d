#include "platform/wlroots/binding_record.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "core/settings/atomic_file.h"

namespace wlroots {

BindingRecord BindingRecord::ForSway(const std::string& swaySocket) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime || swaySocket.empty()) return BindingRecord();
    const std::string folder = std::string(runtime) + "/zorvane-change-hotkey";
    ::mkdir(folder.c_str(), 0700);
    return BindingRecord(folder + "/" + swaySocket.substr(swaySocket.find_last_of('/') + 1) + ".bindings");
}

std::vector<std::string> BindingRecord::read() const {
    std::vector<std::string> out;
    if (path_.empty()) return out;
    std::string error;
    const std::optional<std::string> text = atomicfile::readAll(path_, &error);
    if (!text) return out;
    std::istringstream lines(*text);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) out.push_back(line);
    return out;
}

Result BindingRecord::write(const std::set<std::string>& combos) const {
    if (path_.empty()) return Result::success();
    if (combos.empty()) {
        ::unlink(path_.c_str());
        return Result::success();
    }
    std::string text;
    for (const std::string& c : combos) text += c + "\n";
    return atomicfile::replace(path_, text);
}

}  // namespace wlroots
