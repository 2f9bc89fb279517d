#pragma once
// What the command line asks for before any window opens: --version and
// --help print and end the program; everything else is left to Qt, which
// takes its own options (-display, -platform …).

#include <cstdio>
#include <optional>

namespace app {

// The exit status when the command line asks only for text (printed to out),
// or nothing when the program is to start.
std::optional<int> AnswerCommandLine(int argc, const char* const* argv, std::FILE* out);

}  // namespace app
