#include "core/hotkey/stored_chord.h"

#include <charconv>
#include <optional>

#include "core/hotkey/chord_capture.h"
#include "core/keys/virtual_keys.h"

namespace hotkey {

namespace {

std::optional<long long> decimal(std::string s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.erase(s.begin());
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    if (!s.empty() && s.front() == '+') s.erase(s.begin());
    long long v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

}  // namespace

StoredChord ParseStoredChord(const std::string& text, const std::string& keyCode, const std::string& modKeyCode) {
    const auto key = decimal(keyCode);
    const auto mods = decimal(modKeyCode);
    if (!key || !mods || *key < 0 || *key > 255 || *mods < 0 || *mods > 0x7fffffff) return {kPromptText, 0, {}};
    return {text, static_cast<int>(*key), mod::Mask(static_cast<int>(*mods)) & mod::Mask::All};
}

}  // namespace hotkey
