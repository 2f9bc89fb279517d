#include "platform/x11/x11_hotkey_endpoint.h"

#include <cstdlib>

#include <QSocketNotifier>
#include <QTimer>

#define XK_MISCELLANY
#include <X11/keysymdef.h>

#include "platform/x11/keymap.h"
#include "platform/x11/vk_keysym.h"

namespace x11 {

namespace {

constexpr int kModAlt = 1, kModCtrl = 2, kModShift = 4, kModWin = 8;

}  // namespace

std::unique_ptr<X11HotkeyEndpoint> X11HotkeyEndpoint::open(const char* displayName) {
    xcb_connection_t* c = xcb_connect(displayName, nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return nullptr;
    }
    return std::unique_ptr<X11HotkeyEndpoint>(new X11HotkeyEndpoint(c));
}

X11HotkeyEndpoint::X11HotkeyEndpoint(xcb_connection_t* c) : c_(c) {
    root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
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
    const Keysym ks = VkToKeysym(static_cast<std::uint8_t>(keyCode));
    if (ks == 0 || keyCode <= 0 || keyCode > 255) return false;

    Keymap keymap;
    keymap.load(c_);
    const std::vector<xcb_keycode_t> keycodes = keymap.keycodesFor(ks);
    if (keycodes.empty()) return false;

    const Masks masks = loadMasks(keymap);
    std::uint16_t mods = 0;
    if (modKeyCode & kModAlt) mods |= masks.alt;
    if (modKeyCode & kModCtrl) mods |= XCB_MOD_MASK_CONTROL;
    if (modKeyCode & kModShift) mods |= XCB_MOD_MASK_SHIFT;
    if (modKeyCode & kModWin) mods |= masks.win;
    const std::uint16_t locks[] = {0, XCB_MOD_MASK_LOCK, masks.numLock,
                                   static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | masks.numLock)};

    std::vector<xcb_void_cookie_t> cookies;
    for (const xcb_keycode_t kc : keycodes)
        for (const std::uint16_t lock : locks)
            cookies.push_back(xcb_grab_key_checked(c_, 1, root_, static_cast<std::uint16_t>(mods | lock), kc,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    bool refused = false;
    for (const auto& cookie : cookies) {
        if (xcb_generic_error_t* err = xcb_request_check(c_, cookie)) {
            refused = true;
            std::free(err);
        }
    }
    keycodes_ = keycodes;
    modifiers_ = mods;
    lockMask_ = static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | masks.numLock);
    if (refused) {
        // Some variants may have been granted: give them all back.
        unregisterChord();
        return false;
    }
    // Replies may have pulled events into xcb's queue, where the socket notifier cannot see them.
    QTimer::singleShot(0, this, [this] { readEvents(); });
    return true;
}

void X11HotkeyEndpoint::ungrabAll() {
    const std::uint16_t locks[] = {0, XCB_MOD_MASK_LOCK, static_cast<std::uint16_t>(lockMask_ & ~XCB_MOD_MASK_LOCK),
                                   lockMask_};
    for (const xcb_keycode_t kc : keycodes_)
        for (const std::uint16_t lock : locks)
            xcb_ungrab_key(c_, kc, root_, static_cast<std::uint16_t>(modifiers_ | lock));
    xcb_flush(c_);
}

void X11HotkeyEndpoint::unregisterChord() {
    if (keycodes_.empty()) return;
    ungrabAll();
    roundTrip();
    keycodes_.clear();
    modifiers_ = 0;
}

void X11HotkeyEndpoint::readEvents() {
    const std::shared_ptr<bool> alive = alive_;
    while (*alive) {
        xcb_generic_event_t* ev = xcb_poll_for_event(c_);
        if (!ev) break;
        const bool press = (ev->response_type & 0x7f) == XCB_KEY_PRESS;
        const auto* key = reinterpret_cast<xcb_key_press_event_t*>(ev);
        bool ours = false;
        if (press && (key->state & ~lockMask_ & 0xff) == modifiers_)
            for (const xcb_keycode_t kc : keycodes_) ours = ours || kc == key->detail;
        std::free(ev);
        if (!ours) continue;
        // While the key is down the passive grab is an active keyboard grab, and
        // keys typed now would come back to us: release it, and make sure the
        // server has done so before anyone injects keys on another connection.
        xcb_ungrab_keyboard(c_, XCB_CURRENT_TIME);
        roundTrip();
        if (onPressed) onPressed();
    }
}

}  // namespace x11
