#include "platform/x11/x11_key_injector.h"

#include <cstdlib>
#include <vector>

#include <QTimer>
#include <xcb/xtest.h>

namespace x11 {

std::unique_ptr<X11KeyInjector> X11KeyInjector::open(const char* displayName, std::string* error) {
    xcb_connection_t* c = xcb_connect(displayName, nullptr);
    if (xcb_connection_has_error(c)) {
        if (error) *error = "cannot open the X display";
        xcb_disconnect(c);
        return nullptr;
    }
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_test_id);
    if (!ext || !ext->present) {
        if (error) *error = "the X server has no XTEST extension";
        xcb_disconnect(c);
        return nullptr;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    return std::unique_ptr<X11KeyInjector>(new X11KeyInjector(c, screen->root));
}

X11KeyInjector::X11KeyInjector(xcb_connection_t* c, xcb_window_t root)
    : c_(c), root_(root), restoreTimer_(std::make_unique<QTimer>()) {
    keymap_.load(c_);
    restoreTimer_->setSingleShot(true);
    QObject::connect(restoreTimer_.get(), &QTimer::timeout, [this] { restoreSpareKeys(); });
}

X11KeyInjector::~X11KeyInjector() {
    for (const auto& [vk, kc] : borrowed_) fake(XCB_KEY_RELEASE, kc);
    borrowed_.clear();
    restoreSpareKeys();
    xcb_disconnect(c_);
}

void X11KeyInjector::refreshMappingIfChanged() {
    bool changed = false;
    while (xcb_generic_event_t* ev = xcb_poll_for_event(c_)) {
        changed = changed || isMappingNotify(ev);
        std::free(ev);
    }
    if (changed) keymap_.load(c_);
}

void X11KeyInjector::fake(std::uint8_t type, xcb_keycode_t kc) {
    if (type == XCB_KEY_PRESS) {
        // The injection device keeps its own state of each key. When the user
        // let go of a key that we pressed for them, the key came up for
        // applications but not on this device, which would drop the next
        // press: let it go here first.
        if (pressed_.contains(kc)) xcb_test_fake_input(c_, XCB_KEY_RELEASE, kc, XCB_CURRENT_TIME, root_, 0, 0, 0);
        pressed_.insert(kc);
    } else {
        pressed_.erase(kc);
    }
    xcb_test_fake_input(c_, type, kc, XCB_CURRENT_TIME, root_, 0, 0, 0);
    xcb_flush(c_);
}

void X11KeyInjector::mapSpare(xcb_keycode_t kc, Keysym ks) {
    std::vector<xcb_keysym_t> syms(static_cast<std::size_t>(keymap_.keysymsPerKeycode()), ks);
    xcb_change_keyboard_mapping(c_, 1, kc, static_cast<std::uint8_t>(syms.size()), syms.data());
}

bool X11KeyInjector::isHeld(xcb_keycode_t kc) const {
    for (const auto& [vk, held] : borrowed_)
        if (held == kc) return true;
    return false;
}

xcb_keycode_t X11KeyInjector::keycodeForDown(std::uint8_t vk) {
    const Keysym ks = VkToKeysym(vk);
    if (ks == 0) return 0;
    const xcb_keycode_t own = keymap_.keycodeUnshifted(ks);
    if (own != 0 && !borrowedOnce_.contains(own)) return own;

    // Borrow a keycode: one we mapped before and nobody holds, else a spare one.
    std::vector<xcb_keycode_t> candidates(borrowedOnce_.begin(), borrowedOnce_.end());
    const auto spare = keymap_.spareKeycodes();
    candidates.insert(candidates.end(), spare.begin(), spare.end());
    for (const xcb_keycode_t kc : candidates) {
        if (isHeld(kc)) continue;
        mapSpare(kc, ks);
        borrowedOnce_.insert(kc);
        borrowed_[vk] = kc;
        // The server must hold the new mapping before the key event arrives.
        std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
        return kc;
    }
    return 0;
}

void X11KeyInjector::keyDown(std::uint8_t vk) {
    refreshMappingIfChanged();
    if (const auto it = borrowed_.find(vk); it != borrowed_.end()) {
        fake(XCB_KEY_PRESS, it->second);
        return;
    }
    if (const xcb_keycode_t kc = keycodeForDown(vk)) {
        restoreTimer_->stop();
        fake(XCB_KEY_PRESS, kc);
    }
}

void X11KeyInjector::keyUp(std::uint8_t vk) {
    refreshMappingIfChanged();
    if (const auto it = borrowed_.find(vk); it != borrowed_.end()) {
        fake(XCB_KEY_RELEASE, it->second);
        borrowed_.erase(it);
        if (borrowed_.empty()) restoreTimer_->start(kRestoreDelayMs);
        return;
    }
    const Keysym ks = VkToKeysym(vk);
    xcb_keycode_t kc = keymap_.keycodeUnshifted(ks);
    if (kc == 0) kc = keymap_.keycodeAnyColumn(ks);
    if (kc != 0) fake(XCB_KEY_RELEASE, kc);
}

void X11KeyInjector::maskTap() {
    refreshMappingIfChanged();
    for (const xcb_keycode_t kc : keymap_.spareKeycodes()) {
        if (borrowedOnce_.contains(kc)) continue;
        fake(XCB_KEY_PRESS, kc);
        fake(XCB_KEY_RELEASE, kc);
        return;
    }
}

void X11KeyInjector::restoreSpareKeys() {
    for (auto it = borrowedOnce_.begin(); it != borrowedOnce_.end();) {
        if (isHeld(*it)) {
            ++it;
            continue;
        }
        mapSpare(*it, 0);
        it = borrowedOnce_.erase(it);
    }
    xcb_flush(c_);
}

}  // namespace x11
