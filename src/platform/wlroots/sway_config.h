#pragma once
// What a running sway already binds: the keyboard bindings of its default
// mode, read from its configuration and the files that includes. A chord
// bound there is the user's, and this program must not take it over (a
// binding sway is given again silently replaces the one it had).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wlroots {

// One binding of a single key with modifiers.
struct ConfigBinding {
    bool byCode = false;     // bindcode: `key` is a keycode; bindsym: a keysym
    std::uint32_t mods = 0;  // sway's modifier bits (xkb_keys.h)
    std::uint32_t key = 0;
    std::string line;  // as written, for the log
};

struct ConfigSource {
    std::string text;    // the main configuration's text
    std::string folder;  // where a relative include is looked for
    // A file's text; nothing when it cannot be read.
    std::function<std::optional<std::string>(const std::string& path)> readFile;
    // The files an include names, as the shell would expand it (~, $VAR, globs).
    std::function<std::vector<std::string>(const std::string& pattern)> expand;
};

// Every single-key keyboard binding of the default mode, in the order read.
// Bindings of other modes, of the bar, of mouse buttons and of several keys
// at once are left out: none of them takes a chord from the keyboard.
std::vector<ConfigBinding> ScanBindings(const ConfigSource& source);

// A binding's key combination ("Ctrl+Mod1+j", "Mod4+44"); nothing when it
// names no single key or an unknown one.
std::optional<ConfigBinding> ParseCombo(std::string_view combo, bool byCode);

// Expands an include's pattern as sway does (wordexp, without running commands).
std::vector<std::string> ExpandPattern(const std::string& pattern);

// The folder of the configuration that the sway at `swaySocket` runs with:
// from its command line (-c), or else the first of sway's own places that has one.
std::string ConfigFolderOf(const std::string& swaySocket);

}  // namespace wlroots
