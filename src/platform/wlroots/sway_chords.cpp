#include "platform/wlroots/sway_chords.h"

#include <algorithm>

namespace wlroots {

namespace {

constexpr std::pair<std::uint32_t, const char*> kComboNames[] = {
    {swaymod::Shift, "Shift"}, {swaymod::Ctrl, "Ctrl"}, {swaymod::Alt, "Mod1"}, {swaymod::Logo, "Mod4"}};

bool contains(const std::vector<xkb_keysym_t>& syms, std::uint32_t sym) {
    return std::find(syms.begin(), syms.end(), sym) != syms.end();
}

}  // namespace

std::string SwayChord::combo() const {
    std::string out;
    for (const auto& [bit, name] : kComboNames)
        if (mods & bit) out += std::string(name) + "+";
    return out + std::to_string(keycode);
}

std::optional<SwayChord> ParseOwnCombo(const std::string& combo) {
    const std::optional<ConfigBinding> b = ParseCombo(combo, true);
    if (!b || b->key == 0) return std::nullopt;
    return SwayChord{b->mods, b->key};
}

std::vector<SwayChord> ChordsFor(mod::Mask modKeyCode, int vk, const XkbKeys& keys) {
    std::vector<SwayChord> out;
    if (vk <= 0 || vk > 255) return out;
    for (const xcb_keycode_t kc : keys.layout().keycodes(static_cast<std::uint8_t>(vk)))
        out.push_back({SwayModifiers(modKeyCode), kc});
    return out;
}

const ConfigBinding* BindingFiredBy(const std::vector<ConfigBinding>& bindings, const SwayChord& chord,
                                    const XkbKeys& keys) {
    const XkbKeys::Press press = keys.press(chord.keycode, chord.mods);
    for (const ConfigBinding& b : bindings) {
        const bool fires = b.byCode ? b.mods == chord.mods && b.key == chord.keycode
                                    : (b.mods == chord.mods && contains(press.raw, b.key)) ||
                                          (b.mods == press.translatedMods && contains(press.translated, b.key));
        if (fires) return &b;
    }
    return nullptr;
}

}  // namespace wlroots
