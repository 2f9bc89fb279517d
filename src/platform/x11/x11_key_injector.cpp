#include "platform/x11/x11_key_injector.h"

#include <vector>

#include <xcb/xtest.h>
#include <QTimer>

namespace x11 {

std::unique_ptr<X11KeyInjector> X11KeyInjector::open(const char* displayName, std::string* error) {
    auto session = Session::open(displayName, error);
    if (!session) return nullptr;
    return std::make_unique<X11KeyInjector>(std::move(session));
}

X11KeyInjector::X11KeyInjector(std::shared_ptr<Session> session)
    : s_(std::move(session)), restoreTimer_(std::make_unique<QTimer>()) {
    restoreTimer_->setSingleShot(true);
    QObject::connect(restoreTimer_.get(), &QTimer::timeout, [this] { restoreSpareKeys(); });
}

X11KeyInjector::~X11KeyInjector() {
    for (const auto& [vk, kc] : borrowed_) fake(XCB_KEY_RELEASE, kc);
    borrowed_.clear();
    restoreSpareKeys();
}

void X11KeyInjector::fake(std::uint8_t type, xcb_keycode_t kc, bool freshPress) {
    xcb_connection_t* c = s_->connection();
    if (type == XCB_KEY_PRESS) {
        // The injection device keeps its own state of each key. When the user
        // let go of a key that we (or another program) pressed for them, the
        // key came up for applications but not on this device, which would
        // drop the next press: let it go here first.
        if (freshPress && (pressed_.contains(kc) || (s_->injected()[kc] && !s_->logical()[kc]))) {
            const auto up = xcb_test_fake_input(c, XCB_KEY_RELEASE, kc, XCB_CURRENT_TIME, s_->root(), 0, 0, 0);
            s_->noteInjection(up.sequence, kc, false);
        }
        pressed_.insert(kc);
    } else {
        pressed_.erase(kc);
    }
    const auto cookie = xcb_test_fake_input(c, type, kc, XCB_CURRENT_TIME, s_->root(), 0, 0, 0);
    s_->noteInjection(cookie.sequence, kc, type == XCB_KEY_PRESS);
    s_->flushSoon();
}

void X11KeyInjector::mapSpare(xcb_keycode_t kc, Keysym ks) {
    std::vector<xcb_keysym_t> syms(static_cast<std::size_t>(s_->keymap().keysymsPerKeycode()), ks);
    s_->noteOwnMappingChange(kc);
    // Requests on one connection are carried out in order: the key event that
    // follows meets the new mapping, and clients get the mapping change first.
    xcb_change_keyboard_mapping(s_->connection(), 1, kc, static_cast<std::uint8_t>(syms.size()), syms.data());
}

bool X11KeyInjector::isHeld(xcb_keycode_t kc) const {
    for (const auto& [vk, held] : borrowed_)
        if (held == kc) return true;
    return false;
}

xcb_keycode_t X11KeyInjector::borrow(std::uint8_t vk) {
    const Keysym ks = Layout::fallbackKeysym(vk);
    if (ks == 0) return 0;
    // A keycode we mapped before and nobody holds, else a spare one.
    std::vector<xcb_keycode_t> candidates(borrowedOnce_.begin(), borrowedOnce_.end());
    const auto& spare = s_->spareKeycodes();
    candidates.insert(candidates.end(), spare.begin(), spare.end());
    for (const xcb_keycode_t kc : candidates) {
        if (isHeld(kc)) continue;
        mapSpare(kc, ks);
        borrowedOnce_.insert(kc);
        borrowed_[vk] = kc;
        return kc;
    }
    return 0;
}

bool X11KeyInjector::keyDown(std::uint8_t vk) {
    s_->markStep(TriggerTrace::FirstCall);
    if (const auto it = borrowed_.find(vk); it != borrowed_.end()) {
        fake(XCB_KEY_PRESS, it->second);
        return true;
    }
    xcb_keycode_t kc = s_->layout().keycodeToType(vk);
    if (kc == 0 || borrowedOnce_.contains(kc)) kc = borrow(vk);
    if (kc == 0) return false;
    restoreTimer_->stop();
    fake(XCB_KEY_PRESS, kc);
    return true;
}

void X11KeyInjector::ensureDown(std::uint8_t vk) {
    s_->markStep(TriggerTrace::FirstCall);
    const xcb_keycode_t kc = s_->layout().keycodeToType(vk);
    if (kc != 0 && s_->logical()[kc] && !borrowedOnce_.contains(kc)) {
        // Held on the device already (a playback before this one pressed it
        // while the user held it), so a press would do nothing even if the user
        // has let go since we last looked: look again, just before the target.
        if (s_->injected()[kc]) s_->sync();
        if (s_->logical()[kc]) {
            // Letting it go first would reach applications as a release and a press.
            if (!s_->injected()[kc]) fake(XCB_KEY_PRESS, kc, false);
            return;
        }
    }
    keyDown(vk);
}

void X11KeyInjector::keyUp(std::uint8_t vk) {
    s_->markStep(TriggerTrace::FirstCall);
    if (const auto it = borrowed_.find(vk); it != borrowed_.end()) {
        fake(XCB_KEY_RELEASE, it->second);
        borrowed_.erase(it);
        if (borrowed_.empty()) restoreTimer_->start(kRestoreDelayMs);
        return;
    }
    if (const xcb_keycode_t kc = s_->layout().keycodeToType(vk)) fake(XCB_KEY_RELEASE, kc);
}

void X11KeyInjector::maskTap() {
    s_->markStep(TriggerTrace::FirstCall);
    for (const xcb_keycode_t kc : s_->spareKeycodes()) {
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
    s_->flush();
}

}  // namespace x11
