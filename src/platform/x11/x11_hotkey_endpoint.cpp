#include "platform/x11/x11_hotkey_endpoint.h"

#include <cstdio>
#include <cstdlib>

#include <QSocketNotifier>
#include <QTimer>
#include <xcb/xinput.h>

#define XK_MISCELLANY
#include <X11/keysymdef.h>

#include "platform/x11/keymap.h"
#include "platform/x11/vk_keysym.h"

namespace x11 {

namespace {

constexpr int kModAlt = 1, kModCtrl = 2, kModShift = 4, kModWin = 8;

// Waits for every request's answer; false when any was refused.
bool allGranted(xcb_connection_t* c, const std::vector<xcb_void_cookie_t>& cookies) {
    bool granted = true;
    for (const auto& cookie : cookies) {
        if (xcb_generic_error_t* err = xcb_request_check(c, cookie)) {
            granted = false;
            std::free(err);
        }
    }
    return granted;
}

}  // namespace

std::unique_ptr<X11HotkeyEndpoint> X11HotkeyEndpoint::open(const char* displayName, bool takeHeldKey) {
    xcb_connection_t* c = xcb_connect(displayName, nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return nullptr;
    }
    return std::unique_ptr<X11HotkeyEndpoint>(new X11HotkeyEndpoint(c, takeHeldKey));
}

X11HotkeyEndpoint::X11HotkeyEndpoint(xcb_connection_t* c, bool takeHeldKey) : c_(c), takeHeldKey_(takeHeldKey) {
    root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    const xcb_query_extension_reply_t* xi = xcb_get_extension_data(c_, &xcb_input_id);
    if (xi && xi->present) {
        auto* v = xcb_input_xi_query_version_reply(c_, xcb_input_xi_query_version(c_, 2, 2), nullptr);
        if (v && v->major_version >= 2) xinputOpcode_ = xi->major_opcode;
        std::free(v);
    }
    releaseSettle_ = std::make_unique<QTimer>();
    releaseSettle_->setSingleShot(true);
    releaseSettle_->setInterval(kReleaseSettleMs);
    QObject::connect(releaseSettle_.get(), &QTimer::timeout, this, [this] { stopTakingTheKey(); });
    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { readEvents(); });
}

X11HotkeyEndpoint::~X11HotkeyEndpoint() {
    *alive_ = false;
    notifier_.reset();
    ungrabAll();
    xcb_disconnect(c_);  // the server drops any grab left with the connection
}

void X11HotkeyEndpoint::roundTrip() {
    std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
}

X11HotkeyEndpoint::Masks X11HotkeyEndpoint::loadMasks(const Keymap& keymap) {
    Masks masks;
    auto* reply = xcb_get_modifier_mapping_reply(c_, xcb_get_modifier_mapping(c_), nullptr);
    if (!reply) return masks;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply);
    const int per = reply->keycodes_per_modifier;
    bool altSeen = false, winSeen = false, numSeen = false;
    for (int mod = 3; mod < 8; ++mod) {  // Mod1 … Mod5
        for (int i = 0; i < per; ++i) {
            const Keysym ks = keymap.keysymAt(codes[mod * per + i], 0);
            const auto mask = static_cast<std::uint16_t>(1u << mod);
            if (!altSeen && (ks == XK_Alt_L || ks == XK_Alt_R)) { masks.alt = mask; altSeen = true; }
            if (!winSeen && (ks == XK_Super_L || ks == XK_Super_R)) { masks.win = mask; winSeen = true; }
            if (!numSeen && ks == XK_Num_Lock) { masks.numLock = mask; numSeen = true; }
        }
    }
    std::free(reply);
    return masks;
}

bool X11HotkeyEndpoint::registerChord(int modKeyCode, int keyCode) {
    unregisterChord();
    if (keyCode <= 0 || keyCode > 255) return false;
    const Keysym ks = VkToKeysym(static_cast<std::uint8_t>(keyCode));
    if (ks == 0) return false;

    Keymap keymap;
    keymap.load(c_);
    const std::vector<xcb_keycode_t> keycodes = keymap.keycodesFor(ks);
    if (keycodes.empty()) return false;

    masks_ = loadMasks(keymap);
    const std::uint16_t mods = xModifiers(modKeyCode);
    keycodes_ = keycodes;
    modifiers_ = mods;
    lockMask_ = static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | masks_.numLock);
    heldExtra_ = 0;
    if (!grabChord()) {
        // Some variants may have been granted: give them all back.
        unregisterChord();
        return false;
    }
    // Replies may have pulled events into xcb's queue, where the socket notifier cannot see them.
    QTimer::singleShot(0, this, [this] { readEvents(); });
    return true;
}

std::uint16_t X11HotkeyEndpoint::xModifiers(int modKeyCode) const {
    std::uint16_t mods = 0;
    if (modKeyCode & kModAlt) mods |= masks_.alt;
    if (modKeyCode & kModCtrl) mods |= XCB_MOD_MASK_CONTROL;
    if (modKeyCode & kModShift) mods |= XCB_MOD_MASK_SHIFT;
    if (modKeyCode & kModWin) mods |= masks_.win;
    return mods;
}

bool X11HotkeyEndpoint::matchesChord(std::uint16_t state) const {
    const auto s = static_cast<std::uint16_t>(state & ~lockMask_ & 0xff);
    return s == modifiers_ || (heldExtra_ != 0 && s == (modifiers_ | heldExtra_));
}

std::vector<std::uint16_t> X11HotkeyEndpoint::lockVariants(std::uint16_t mods) const {
    const auto numLock = static_cast<std::uint16_t>(lockMask_ & ~XCB_MOD_MASK_LOCK);
    return {mods, static_cast<std::uint16_t>(mods | XCB_MOD_MASK_LOCK), static_cast<std::uint16_t>(mods | numLock),
            static_cast<std::uint16_t>(mods | lockMask_)};
}

bool X11HotkeyEndpoint::grabVariants(std::uint16_t mods) {
    std::vector<xcb_void_cookie_t> cookies;
    for (const xcb_keycode_t kc : keycodes_)
        for (const std::uint16_t variant : lockVariants(mods))
            cookies.push_back(
                xcb_grab_key_checked(c_, 1, root_, variant, kc, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    return allGranted(c_, cookies);
}

void X11HotkeyEndpoint::ungrabVariants(std::uint16_t mods) {
    for (const xcb_keycode_t kc : keycodes_)
        for (const std::uint16_t variant : lockVariants(mods)) xcb_ungrab_key(c_, kc, root_, variant);
}

bool X11HotkeyEndpoint::grabChord() {
    if (!grabVariants(modifiers_)) return false;
    // The variant with a playback's modifiers is a bonus: another program may hold it.
    if (heldExtra_) grabVariants(static_cast<std::uint16_t>(modifiers_ | heldExtra_));
    return true;
}

void X11HotkeyEndpoint::setHeldModifiers(int modKeyCode) {
    if (keycodes_.empty()) return;
    const auto extra = static_cast<std::uint16_t>(xModifiers(modKeyCode) & ~modifiers_);
    if (extra == heldExtra_) return;
    if (!takingTheKey_) {
        if (heldExtra_) ungrabVariants(static_cast<std::uint16_t>(modifiers_ | heldExtra_));
        // Held by another program for that combination: then the chord simply does not fire with it.
        if (extra) grabVariants(static_cast<std::uint16_t>(modifiers_ | extra));
        xcb_flush(c_);
    }
    heldExtra_ = extra;
}

bool X11HotkeyEndpoint::grabAnyModifier() {
    // One grab of the key with any modifiers stands in for the chord's own grabs.
    std::vector<xcb_void_cookie_t> cookies;
    for (const xcb_keycode_t kc : keycodes_)
        cookies.push_back(
            xcb_grab_key_checked(c_, 1, root_, XCB_MOD_MASK_ANY, kc, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    return allGranted(c_, cookies);
}

void X11HotkeyEndpoint::ungrabAnyModifier() {
    // This lets go of every grab of the key, the chord's too: grab the chord again.
    for (const xcb_keycode_t kc : keycodes_) xcb_ungrab_key(c_, kc, root_, XCB_MOD_MASK_ANY);
    if (!grabChord()) {
        std::fprintf(stderr, "zorvane-change-hotkey: a chord was taken by another program while it was held\n");
        keycodes_.clear();
    }
}

void X11HotkeyEndpoint::startTakingTheKey() {
    if (!takeHeldKey_ || takingTheKey_ || xinputOpcode_ == 0 || keycodes_.empty()) return;
    if (!grabAnyModifier()) {
        // Another program grabs the key with other modifiers: leave it be.
        ungrabAnyModifier();
        return;
    }
    takingTheKey_ = true;
    paused_ = false;
    selectRawReleases(true);
}

void X11HotkeyEndpoint::stopTakingTheKey() {
    releaseSettle_->stop();
    if (!takingTheKey_) return;
    takingTheKey_ = false;
    selectRawReleases(false);
    if (!paused_) ungrabAnyModifier();
    paused_ = false;
}

void X11HotkeyEndpoint::setInjecting(bool injecting) {
    if (!takingTheKey_ || injecting == paused_) return;
    paused_ = injecting;
    if (injecting) ungrabAnyModifier();
    else if (!grabAnyModifier()) stopTakingTheKey();
    roundTrip();
}

void X11HotkeyEndpoint::selectRawReleases(bool on) {
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t bits;
    } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, on ? XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE : 0u};
    xcb_input_xi_select_events(c_, root_, 1, &mask.head);
    xcb_flush(c_);
}

bool X11HotkeyEndpoint::isRawReleaseOfOurKey(const xcb_generic_event_t* ev) const {
    if ((ev->response_type & 0x7f) != XCB_GE_GENERIC) return false;
    const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(ev);
    if (ge->extension != xinputOpcode_ || ge->event_type != XCB_INPUT_RAW_KEY_RELEASE) return false;
    const auto* raw = reinterpret_cast<const xcb_input_raw_key_release_event_t*>(ev);
    for (const xcb_keycode_t kc : keycodes_)
        if (raw->detail == kc) return true;
    return false;
}

void X11HotkeyEndpoint::ungrabAll() {
    if (takingTheKey_) {
        takingTheKey_ = false;
        releaseSettle_->stop();
        selectRawReleases(false);
        // Any-modifier ungrabs let go of the chord's variants as well.
        for (const xcb_keycode_t kc : keycodes_) xcb_ungrab_key(c_, kc, root_, XCB_MOD_MASK_ANY);
        xcb_flush(c_);
        return;
    }
    ungrabVariants(modifiers_);
    if (heldExtra_) ungrabVariants(static_cast<std::uint16_t>(modifiers_ | heldExtra_));
    xcb_flush(c_);
}

void X11HotkeyEndpoint::unregisterChord() {
    if (keycodes_.empty()) return;
    ungrabAll();
    roundTrip();
    keycodes_.clear();
    modifiers_ = 0;
    heldExtra_ = 0;
}

void X11HotkeyEndpoint::readEvents() {
    const std::shared_ptr<bool> alive = alive_;
    while (*alive) {
        xcb_generic_event_t* ev = xcb_poll_for_event(c_);
        if (!ev) break;
        if (isRawReleaseOfOurKey(ev)) {
            std::free(ev);
            releaseSettle_->start();
            continue;
        }
        const bool press = (ev->response_type & 0x7f) == XCB_KEY_PRESS;
        const auto* key = reinterpret_cast<xcb_key_press_event_t*>(ev);
        const bool chord = press && matchesChord(key->state);
        std::free(ev);
        if (!press) continue;
        // While the key is down the passive grab is an active keyboard grab, and
        // keys typed now would come back to us: release it, and make sure the
        // server has done so before anyone injects keys on another connection.
        xcb_ungrab_keyboard(c_, XCB_CURRENT_TIME);
        roundTrip();
        releaseSettle_->stop();  // pressed again: still held
        if (!chord) continue;  // the held key repeating under other modifiers: taken, not delivered
        startTakingTheKey();
        if (onPressed) onPressed();
    }
}

}  // namespace x11
