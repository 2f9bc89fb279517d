#pragma once
// The lines of a settings file. CR, LF and CRLF all end a line: files edited
// on old Macs end theirs in CR, and hand edits can leave the three mixed.

#include <cstddef>
#include <string_view>
#include <vector>

namespace profile {

struct Line {
    std::size_t begin;  // first byte of the content
    std::size_t end;    // one past the content, before the line ending
    std::size_t next;   // one past the line ending
};

// The file's lines; a UTF-8 byte-order mark is not part of the first one.
std::vector<Line> splitLines(std::string_view file);

// The first line ending the file has, or `fallback` when it has none.
std::string_view lineEndingOf(std::string_view file, std::string_view fallback);

// What must follow the file before a line is appended at its end: nothing
// when it ends in a line ending, else `eol`. In a CRLF file a final CR alone
// is a CRLF cut short and gets its LF.
std::string_view lineEndNeededAfter(std::string_view file, std::string_view eol);

}  // namespace profile
