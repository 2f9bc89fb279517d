#pragma once
// What the command line asks for before any window opens: --version and
// --help print and end the program; Qt's own options (-display, -platform,
// -style …) are left to Qt; anything else ends it with the usage.

#include <cstdio>
#include <optional>

namespace app {

// The exit status when the command line asks only for text (printed to out;
// 1 when it could not be written, said on err) or holds what neither the
// program nor Qt takes (2, said on err with the usage); nothing when the
// program is to start.
std::optional<int> AnswerCommandLine(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

}  // namespace app
