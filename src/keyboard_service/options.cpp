#include "keyboard_service/options.h"

#include <charconv>

namespace keyservice {

namespace {

const std::string kUsage = std::string("usage: ") + kProgram + " [--socket PATH] [--user UID] | --version | --help";

Command failed(const std::string& why) {
    return {std::nullopt, 2, std::string(kProgram) + ": " + why + " (see --help)"};
}

// A plain decimal uid; (uid_t)-1 means "no user" to the system, so it is none.
std::optional<uid_t> uidOf(std::string_view text) {
    unsigned long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value >= uid_t(-1))
        return std::nullopt;
    return uid_t(value);
}

}  // namespace

Command ParseCommandLine(const std::vector<std::string_view>& args, std::string_view version) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h")
            return {std::nullopt, 0,
                    kUsage +
                        "\nReads every keyboard, passes its keys on through one virtual keyboard, and tells the one"
                        "\nprogram connected to the socket when a chord it registered is pressed."
                        "\n  --socket PATH  where to listen (default " +
                        kDefaultSocket +
                        ")\n  --user UID     the only user who may connect (default: the active user of seat0)"};
        if (arg == "--version") return {std::nullopt, 0, std::string(kProgram) + " " + std::string(version)};
        std::string_view value;
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        if (name != "--socket" && name != "--user") return failed("unknown option '" + std::string(arg) + "'");
        if (equals != std::string_view::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return failed(std::string(name) + " needs a value");
        }
        if (name == "--socket") {
            if (value.empty()) return failed("--socket needs a path");
            options.socket = std::string(value);
        } else {
            options.user = uidOf(value);
            if (!options.user) return failed("--user takes a numeric uid, not '" + std::string(value) + "'");
        }
    }
    return {options, 0, {}};
}

}  // namespace keyservice
