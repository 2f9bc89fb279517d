// The keyboard service's command line, a row a case: the arguments, and what
// the service makes of them ("run <socket> <user or ->", or the status and text).

#include "keyboard_service/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string answer(const std::vector<std::string_view>& args) {
    const keyservice::Command c = keyservice::ParseCommandLine(args, "9.9");
    if (c.run) return "run " + c.run->socket + " " + (c.run->user ? std::to_string(*c.run->user) : "-");
    return std::to_string(c.status) + " " + c.text.substr(0, c.text.find('\n'));
}

TEST(KeyboardServiceOptions, ReadsTheSocketAndTheUserAndRefusesAnythingElse) {
    const std::string refused = "2 zorvane-keyboard-service: ";
    const struct {
        std::vector<std::string_view> args;
        std::string answer;
    } rows[] = {
        {{}, "run /run/zorvane-keyboard-service/socket -"},
        {{"--socket", "/tmp/s", "--user", "1000"}, "run /tmp/s 1000"},
        {{"--socket=/tmp/s", "--user=0"}, "run /tmp/s 0"},
        {{"--version"}, "0 zorvane-keyboard-service 9.9"},
        {{"--help"}, "0 usage: zorvane-keyboard-service [--socket PATH] [--user UID] | --version | --help"},
        {{"--bogus"}, refused + "unknown option '--bogus' (see --help)"},
        {{"-s"}, refused + "unknown option '-s' (see --help)"},
        {{"--user", "alice"}, refused + "--user takes a numeric uid, not 'alice' (see --help)"},
        {{"--user", "-1"}, refused + "--user takes a numeric uid, not '-1' (see --help)"},
        {{"--user", "4294967295"}, refused + "--user takes a numeric uid, not '4294967295' (see --help)"},
        {{"--user", "12x"}, refused + "--user takes a numeric uid, not '12x' (see --help)"},
        {{"--user"}, refused + "--user needs a value (see --help)"},
        {{"--socket="}, refused + "--socket needs a path (see --help)"},
    };
    for (const auto& row : rows) EXPECT_EQ(answer(row.args), row.answer) << (row.args.empty() ? "" : row.args[0]);
}

}  // namespace
