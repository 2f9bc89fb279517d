#pragma once
// The core keeps text and paths in UTF-8; Windows takes UTF-16. Paths go
// through these, never through the ANSI code page, which cannot hold a
// Chinese user name on an English system.

#include <string>
#include <string_view>

namespace widetext {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);

// The system's sentence for an error code, e.g. "Access is denied", in the
// user's language; "Windows error N" when it has none.
std::string systemMessage(unsigned long error);

// "what: <the system's sentence>", the shape of the POSIX code's reports.
inline std::string describe(const std::string& what, unsigned long error) { return what + ": " + systemMessage(error); }

}  // namespace widetext
