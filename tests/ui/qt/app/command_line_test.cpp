// What the command line makes of its arguments: the program's own options
// answered, Qt's left to Qt, anything else refused with the usage.

#include "ui/qt/app/command_line.h"

#include <gtest/gtest.h>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "version.h"

namespace {

// "<status> | <first line out> | <err, lines joined by ' / '>", or "start".
// A last argument ">/dev/full" sends the output there.
std::string answer(std::vector<const char*> args) {
    const bool full = !args.empty() && std::string(args.back()) == ">/dev/full";
    if (full) args.pop_back();
    args.insert(args.begin(), "zorvane-change-hotkey");
    char *said = nullptr, *told = nullptr;
    std::size_t saidSize = 0, toldSize = 0;
    std::FILE* out = full ? std::fopen("/dev/full", "w") : open_memstream(&said, &saidSize);
    std::FILE* err = open_memstream(&told, &toldSize);
    const auto status = app::AnswerCommandLine(static_cast<int>(args.size()), args.data(), out, err);
    std::fclose(out), std::fclose(err);
    std::string o = said ? said : "", e = told;
    std::free(said), std::free(told);
    for (std::size_t at; (at = e.find('\n')) != std::string::npos;) e.replace(at, 1, at + 1 < e.size() ? " / " : "");
    if (!status) return o.empty() && e.empty() ? "start" : "start, but said " + o + e;
    return std::to_string(*status) + " | " + o.substr(0, o.find('\n')) + " | " + e;
}

}  // namespace

TEST(CommandLine, AnswersItsOwnOptionsLeavesQtsAndRefusesTheRest) {
    const std::string usage = "Usage: zorvane-change-hotkey [--version | --help]";
    const std::string refused = "2 |  | zorvane-change-hotkey: ", unwritten = "1 |  | zorvane-change-hotkey: the ";
    const std::string full = std::string(" could not be written: ") + std::strerror(ENOSPC);
    const struct {
        std::vector<const char*> args;
        std::string transcript;
    } rows[] = {
        {{}, "start"},
        {{"--version"}, "0 | zorvane-change-hotkey " ZORVANE_VERSION_TEXT " | "},
        {{"-display", ":1", "-h"}, "0 | " + usage + " | "},
        // What Qt's users and a session manager pass.
        {{"-platform", "xcb", "--display", ":1", "-session", "10d3f", "-name", "z", "-style=Fusion", "-reverse"},
         "start"},
        {{"-display", ":1", "--verbose", "--help"}, refused + "unknown option '--verbose' / " + usage},
        {{"-platform=xcb"}, refused + "unknown option '-platform=xcb' / " + usage},
        {{"set.ini"}, refused + "unexpected argument 'set.ini' / " + usage},
        {{"-display"}, refused + "a value is missing after '-display' / " + usage},
        {{"--version", ">/dev/full"}, unwritten + "version" + full},
        {{"--help", ">/dev/full"}, unwritten + "help" + full},
    };
    for (const auto& row : rows) EXPECT_EQ(answer(row.args), row.transcript) << (row.args.empty() ? "" : row.args[0]);
}
