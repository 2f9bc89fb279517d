#pragma once
// The service's command line.

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keyservice {

inline constexpr const char* kProgram = "zorvane-keyboard-service";
inline constexpr const char* kDefaultSocket = "/run/zorvane-keyboard-service/socket";

struct Options {
    std::string socket = kDefaultSocket;
    // The only user who may connect, instead of the active user of seat0 that
    // logind names (for systems without logind, and tests).
    std::optional<uid_t> user;
};

// What the command line asks for: to run with options, or only to print a
// text (to stdout when the status is 0, else to stderr) and end with the status.
struct Command {
    std::optional<Options> run;
    int status = 0;
    std::string text;
};

Command ParseCommandLine(const std::vector<std::string_view>& args, std::string_view version);

}  // namespace keyservice
