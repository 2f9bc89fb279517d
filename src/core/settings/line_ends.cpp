#include "core/settings/line_ends.h"

namespace profile {

namespace {

// Length of the line ending at `pos`: 2 for CRLF, 1 for CR or LF, else 0.
std::size_t lineEndLength(std::string_view file, std::size_t pos) {
    if (file[pos] == '\n') return 1;
    if (file[pos] != '\r') return 0;
    return (pos + 1 < file.size() && file[pos + 1] == '\n') ? 2 : 1;
}

}  // namespace

std::vector<Line> splitLines(std::string_view file) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    if (file.substr(0, 3) == "\xEF\xBB\xBF") pos = 3;  // byte-order mark of a UTF-8 file
    while (pos < file.size()) {
        std::size_t end = file.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = file.size();
        const std::size_t next = end == file.size() ? end : end + lineEndLength(file, end);
        lines.push_back({pos, end, next});
        pos = next;
    }
    return lines;
}

std::string_view lineEndingOf(std::string_view file, std::string_view fallback) {
    const std::size_t at = file.find_first_of("\r\n");
    if (at == std::string_view::npos) return fallback;
    return file.substr(at, lineEndLength(file, at));
}

std::string_view lineEndNeededAfter(std::string_view file, std::string_view eol) {
    if (file.empty() || file.back() == '\n') return {};
    if (file.back() == '\r') return eol == "\r\n" ? "\n" : "";
    return eol;
}

}  // namespace profile
