#pragma once
// The user's layout in the service's numbering: evdev key codes, which are X
// keycodes less 8 under every layout X and Wayland use. A chord's key and a
// target's keys are found here the way the X11 route finds them, so that a
// key is the same one on every route.

#include <cstdint>

#include "core/keyboard_link/message.h"
#include "core/services/keyboard_state.h"
#include "platform/x11/keymap.h"
#include "platform/x11/layout.h"

namespace keyservice {

class EvdevKeys {
public:
    EvdevKeys() = default;
    explicit EvdevKeys(const x11::Keymap& keymap, const x11::Layout& layout);

    const x11::Layout& layout() const { return layout_; }
    // The code to type a key with, or to take as a chord's key; 0 when the layout has none.
    int code(std::uint8_t vk) const;
    // A key that nothing acts on (no symbol in the layout): the mask tap's.
    int maskCode() const { return mask_; }
    // Sets of codes and of keys (sided modifiers apart), both ways.
    platform::KeySet keysOf(const keylink::Keys& codes) const;
    keylink::Keys codesOf(const platform::KeySet& keys) const;

private:
    x11::Layout layout_;
    int mask_ = 0;
};

}  // namespace keyservice
