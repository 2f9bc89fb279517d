#pragma once
// A chord as this program binds it in sway: by keycode (bindcode), so that it
// fires on the same keys in every layout group, as an X grab does, with a
// `nop` command whose text tells the binding events apart.

#include <xkbcommon/xkbcommon.h>
#include <cstdint>
#include <string>
#include <vector>

#include "core/keys/virtual_keys.h"
#include "platform/wlroots/sway_config.h"
#include "platform/wlroots/xkb_keys.h"

namespace wlroots {

struct SwayChord {
    std::uint32_t mods = 0;  // sway's modifier bits
    xkb_keycode_t keycode = 0;

    // "Ctrl+Mod1+44": what bindcode and unbindcode are given.
    std::string combo() const;
    // The binding's command, which its binding events carry back.
    std::string command() const { return std::string(kCommandPrefix) + combo(); }
    static constexpr const char* kCommandPrefix = "nop zorvane-change-hotkey ";

    bool operator==(const SwayChord&) const = default;
    auto operator<=>(const SwayChord&) const = default;
};

// A combo of ours back from its text; nothing for any other.
std::optional<SwayChord> ParseOwnCombo(const std::string& combo);

// The chords that stand for a chord of the program's (one for each key the
// layout has for its code); none when the layout has no such key.
std::vector<SwayChord> ChordsFor(mod::Mask modKeyCode, int vk, const XkbKeys& keys);

// The configuration's binding that a press of the chord would fire; null when none would.
const ConfigBinding* BindingFiredBy(const std::vector<ConfigBinding>& bindings, const SwayChord& chord,
                                    const XkbKeys& keys);

}  // namespace wlroots
