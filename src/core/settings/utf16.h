#pragma once
// UTF-16 text as bytes in either byte order, for settings files saved by
// Windows as "Unicode". Only well-formed text passes: every surrogate in its pair.

#include <optional>
#include <string>
#include <string_view>

namespace textenc {

// The UTF-16 bytes as UTF-8; nothing for an odd length or a surrogate without its pair.
std::optional<std::string> utf16ToUtf8(std::string_view bytes, bool bigEndian);

// UTF-8 text as UTF-16 bytes; nothing for bytes that are no UTF-8.
std::optional<std::string> utf8ToUtf16(std::string_view utf8, bool bigEndian);

}  // namespace textenc
