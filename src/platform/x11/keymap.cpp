#include "platform/x11/keymap.h"

#include <cstdlib>

namespace x11 {

void Keymap::load(xcb_connection_t* c) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    min_ = setup->min_keycode;
    max_ = setup->max_keycode;
    auto cookie = xcb_get_keyboard_mapping(c, min_, static_cast<std::uint8_t>(max_ - min_ + 1));
    xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(c, cookie, nullptr);
    syms_.clear();
    per_ = 0;
    if (!reply) return;
    per_ = reply->keysyms_per_keycode;
    const xcb_keysym_t* s = xcb_get_keyboard_mapping_keysyms(reply);
    syms_.assign(s, s + xcb_get_keyboard_mapping_keysyms_length(reply));
    std::free(reply);
}

Keysym Keymap::keysymAt(xcb_keycode_t kc, int col) const {
    if (kc < min_ || kc > max_ || col < 0 || col >= per_) return 0;
    const std::size_t i = static_cast<std::size_t>(kc - min_) * per_ + col;
    return i < syms_.size() ? syms_[i] : 0;
}

xcb_keycode_t Keymap::keycodeUnshifted(Keysym ks) const {
    if (ks == 0) return 0;
    for (int kc = min_; kc <= max_; ++kc)
        if (keysymAt(static_cast<xcb_keycode_t>(kc), 0) == ks) return static_cast<xcb_keycode_t>(kc);
    return 0;
}

xcb_keycode_t Keymap::keycodeAnyColumn(Keysym ks) const {
    if (ks == 0) return 0;
    for (int kc = min_; kc <= max_; ++kc)
        for (int col = 0; col < per_; ++col)
            if (keysymAt(static_cast<xcb_keycode_t>(kc), col) == ks) return static_cast<xcb_keycode_t>(kc);
    return 0;
}

std::vector<xcb_keycode_t> Keymap::keycodesFor(Keysym ks) const {
    std::vector<xcb_keycode_t> unshifted, anyLevel;
    if (ks == 0) return unshifted;
    for (int kc = min_; kc <= max_; ++kc) {
        const auto code = static_cast<xcb_keycode_t>(kc);
        if (keysymAt(code, 0) == ks) unshifted.push_back(code);
        for (int col = 1; col < per_; ++col)
            if (keysymAt(code, col) == ks) {
                anyLevel.push_back(code);
                break;
            }
    }
    return unshifted.empty() ? anyLevel : unshifted;
}

std::vector<xcb_keycode_t> Keymap::spareKeycodes() const {
    std::vector<xcb_keycode_t> spare;
    for (int kc = max_; kc >= min_; --kc) {
        bool empty = true;
        for (int col = 0; col < per_ && empty; ++col) empty = keysymAt(static_cast<xcb_keycode_t>(kc), col) == 0;
        if (empty && per_ > 0) spare.push_back(static_cast<xcb_keycode_t>(kc));
    }
    return spare;
}

bool isMappingNotify(const xcb_generic_event_t* ev) { return ev && (ev->response_type & 0x7f) == XCB_MAPPING_NOTIFY; }

}  // namespace x11
