#include "platform/wlroots/sway_config.h"

#include <strings.h>
#include <wordexp.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <utility>

#include "platform/wlroots/xkb_keys.h"

namespace wlroots {

namespace {

constexpr int kMaxIncludeDepth = 8;

std::string trim(std::string_view s) {
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string_view::npos) return {};
    const auto e = s.find_last_not_of(" \t\r");
    return std::string(s.substr(b, e - b + 1));
}

// Words split at blanks; quotes group a word and are dropped.
std::vector<std::string> words(std::string_view line) {
    std::vector<std::string> out;
    std::string word;
    char quote = 0;
    bool in = false;
    for (const char c : line) {
        if (quote) {
            if (c == quote)
                quote = 0;
            else
                word += c;
        } else if (c == '"' || c == '\'') {
            quote = c;
            in = true;
        } else if (c == ' ' || c == '\t') {
            if (in) out.push_back(std::exchange(word, {}));
            in = false;
        } else {
            word += c;
            in = true;
        }
    }
    if (in) out.push_back(word);
    return out;
}

std::uint32_t modifierNamed(std::string_view name) {
    static const std::pair<const char*, std::uint32_t> kModifiers[] = {
        {"Shift", swaymod::Shift}, {"Lock", swaymod::Lock}, {"Control", swaymod::Ctrl}, {"Ctrl", swaymod::Ctrl},
        {"Mod1", swaymod::Alt},    {"Alt", swaymod::Alt},   {"Mod2", swaymod::Mod2},    {"Mod3", swaymod::Mod3},
        {"Mod4", swaymod::Logo},   {"Mod5", swaymod::Mod5},
    };
    const std::string s(name);
    for (const auto& [n, bit] : kModifiers)
        if (strcasecmp(n, s.c_str()) == 0) return bit;
    return 0;
}

bool isGroupName(std::string_view name) {
    return name == "Mode_switch" || (name.size() == 6 && name.substr(0, 5) == "Group");
}

class Scanner {
public:
    explicit Scanner(const ConfigSource& source) : source_(source) {}

    void scan(const std::string& text, const std::string& folder, int depth) {
        std::vector<std::string> blocks;
        std::string pending;
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string line = trim(std::string_view(text).substr(start, end - start));
            start = end + 1;
            // A line ending in a backslash goes on on the next.
            if (!line.empty() && line.back() == '\\') {
                pending += trim(std::string_view(line).substr(0, line.size() - 1)) + " ";
                continue;
            }
            line = trim(pending + line);
            pending.clear();
            if (line.empty() || line[0] == '#') continue;
            if (line == "}") {
                if (!blocks.empty()) blocks.pop_back();
                continue;
            }
            if (line.back() == '{') {
                blocks.push_back(trim(std::string_view(line).substr(0, line.size() - 1)));
                continue;
            }
            std::string full;
            for (const std::string& b : blocks) full += b + " ";
            handle(full + line, folder, depth);
        }
    }

    std::vector<ConfigBinding> bindings;

private:
    void handle(const std::string& line, const std::string& folder, int depth) {
        std::vector<std::string> w = words(line);
        if (w.empty()) return;
        if (w[0] == "set" && w.size() >= 3 && w[1].size() > 1 && w[1][0] == '$') {
            const std::size_t at = line.find(w[1]) + w[1].size();
            variables_[w[1]] = replaceVariables(trim(std::string_view(line).substr(at)));
            return;
        }
        const std::string expanded = replaceVariables(line);
        w = words(expanded);
        if (w[0] == "include" && w.size() >= 2)
            return include(trim(expanded.substr(expanded.find("include") + 7)), folder, depth);
        if (w[0] != "bindsym" && w[0] != "bindcode") return;
        std::size_t i = 1;
        while (i < w.size() && w[i].rfind("--", 0) == 0) ++i;
        if (i + 1 >= w.size()) return;  // no command: not a binding sway takes
        std::optional<ConfigBinding> b = ParseCombo(w[i], w[0] == "bindcode");
        if (!b) return;
        b->line = expanded;
        bindings.push_back(std::move(*b));
    }

    std::string replaceVariables(std::string line) const {
        // Longest names first, so that $mod does not eat into $modifier.
        std::vector<const std::pair<const std::string, std::string>*> byLength;
        for (const auto& v : variables_) byLength.push_back(&v);
        std::stable_sort(byLength.begin(), byLength.end(),
                         [](auto* a, auto* b) { return a->first.size() > b->first.size(); });
        for (const auto* v : byLength)
            for (std::size_t at = line.find(v->first); at != std::string::npos;
                 at = line.find(v->first, at + v->second.size()))
                line.replace(at, v->first.size(), v->second);
        return line;
    }

    void include(const std::string& pattern, const std::string& folder, int depth) {
        if (depth >= kMaxIncludeDepth || pattern.empty() || !source_.expand) return;
        const bool relative = pattern[0] != '/' && pattern[0] != '~' && pattern[0] != '$';
        for (const std::string& path : source_.expand(relative ? folder + "/" + pattern : pattern)) {
            if (!seen_.insert(path).second || !source_.readFile) continue;
            const std::optional<std::string> text = source_.readFile(path);
            if (!text) continue;
            const std::size_t slash = path.find_last_of('/');
            scan(*text, slash == std::string::npos ? folder : path.substr(0, slash), depth + 1);
        }
    }

    const ConfigSource& source_;
    std::map<std::string, std::string> variables_;
    std::set<std::string> seen_;
};

}  // namespace

std::optional<ConfigBinding> ParseCombo(std::string_view combo, bool byCode) {
    ConfigBinding b;
    b.byCode = byCode;
    int keys = 0;
    std::size_t start = 0;
    while (start <= combo.size()) {
        std::size_t end = combo.find('+', start);
        if (end == std::string_view::npos) end = combo.size();
        const std::string_view part = combo.substr(start, end - start);
        start = end + 1;
        if (part.empty()) return std::nullopt;
        if (const std::uint32_t bit = modifierNamed(part)) {
            b.mods |= bit;
            continue;
        }
        if (isGroupName(part)) continue;
        ++keys;
        if (byCode) {
            const auto [ptr, ec] = std::from_chars(part.data(), part.data() + part.size(), b.key);
            if (ec != std::errc() || ptr != part.data() + part.size()) return std::nullopt;
        } else {
            b.key = xkb_keysym_from_name(std::string(part).c_str(), XKB_KEYSYM_CASE_INSENSITIVE);
            if (b.key == XKB_KEY_NoSymbol) return std::nullopt;  // a mouse button, or no key at all
        }
    }
    if (keys != 1) return std::nullopt;
    return b;
}

std::vector<ConfigBinding> ScanBindings(const ConfigSource& source) {
    Scanner scanner(source);
    scanner.scan(source.text, source.folder, 0);
    return std::move(scanner.bindings);
}

std::vector<std::string> ExpandPattern(const std::string& pattern) {
    std::vector<std::string> out;
    wordexp_t p;
    if (wordexp(pattern.c_str(), &p, WRDE_NOCMD) != 0) return out;
    for (std::size_t i = 0; i < p.we_wordc; ++i) out.emplace_back(p.we_wordv[i]);
    wordfree(&p);
    return out;
}

std::string ConfigFolderOf(const std::string& swaySocket) {
    auto folderOf = [](const std::string& file) { return std::filesystem::path(file).parent_path().string(); };
    // The socket is named sway-ipc.<uid>.<pid>.sock.
    const std::string name = swaySocket.substr(swaySocket.find_last_of('/') + 1);
    const std::size_t dot = name.rfind(".sock"), before = name.rfind('.', dot - 1);
    if (dot != std::string::npos && before != std::string::npos) {
        std::ifstream cmdline("/proc/" + name.substr(before + 1, dot - before - 1) + "/cmdline");
        std::vector<std::string> args;
        for (std::string arg; std::getline(cmdline, arg, '\0');) args.push_back(arg);
        for (std::size_t i = 1; i < args.size(); ++i) {
            if ((args[i] == "-c" || args[i] == "--config") && i + 1 < args.size()) return folderOf(args[i + 1]);
            if (args[i].rfind("--config=", 0) == 0) return folderOf(args[i].substr(9));
        }
    }
    const char* home = std::getenv("HOME");
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string h = home ? home : "", config = xdg && *xdg ? xdg : h + "/.config";
    for (const std::string& file :
         {h + "/.sway/config", config + "/sway/config", h + "/.i3/config", config + "/i3/config",
          std::string("/etc/sway/config"), std::string("/etc/i3/config")})
        if (std::filesystem::exists(file)) return folderOf(file);
    return "/etc/sway";
}

}  // namespace wlroots
