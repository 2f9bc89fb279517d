#include "platform/keyboard_service/evdev_keys.h"

namespace keyservice {

namespace {
constexpr int kXOffset = 8;
}

EvdevKeys::EvdevKeys(const x11::Keymap& keymap, const x11::Layout& layout) : layout_(layout) {
    for (const xcb_keycode_t kc : keymap.spareKeycodes())
        if (kc > kXOffset && kc - kXOffset <= keylink::kMaxCode) {
            mask_ = kc - kXOffset;
            break;
        }
}

int EvdevKeys::code(std::uint8_t vk) const {
    const int kc = layout_.keycodeToType(vk);
    return kc > kXOffset && kc - kXOffset <= keylink::kMaxCode ? kc - kXOffset : 0;
}

platform::KeySet EvdevKeys::keysOf(const keylink::Keys& codes) const {
    platform::KeySet keys;
    for (int c = 1; c <= keylink::kMaxCode; ++c)
        if (codes[c])
            if (const std::uint8_t vk = layout_.sidedVirtualKey(static_cast<xcb_keycode_t>(c + kXOffset))) keys.set(vk);
    return keys;
}

keylink::Keys EvdevKeys::codesOf(const platform::KeySet& keys) const {
    keylink::Keys codes;
    for (int c = 1; c <= keylink::kMaxCode; ++c) {
        const std::uint8_t vk = layout_.sidedVirtualKey(static_cast<xcb_keycode_t>(c + kXOffset));
        if (vk && keys[vk]) codes.set(c);
    }
    return codes;
}

}  // namespace keyservice
