#include "platform/x11/hotkey_router.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <QTimer>

#include "core/keys/virtual_keys.h"

namespace x11 {

namespace {

// Auto-repeat can come as a release and a press (a keyboard forwarded from
// another display: a nested server, a remote desktop), and the two halves can
// be up to a whole repeat interval apart (40 ms at X's default 25 per second).
// A held key counts as let go only when no press follows its release within
// this time; a plain press of the key sooner than that after a chord is taken.
constexpr int kLetGoSettleMs = 80;

constexpr std::uint32_t kAnyModifier = XCB_INPUT_MODIFIER_MASK_ANY;

struct KeyEventMask {
    xcb_input_event_mask_t head;
    std::uint32_t bits;
};

}  // namespace

HotkeyRouter::HotkeyRouter(std::shared_ptr<Session> session, bool takeHeldKey)
    : s_(std::move(session)), takeHeldKey_(takeHeldKey), letGo_(std::make_unique<QTimer>()) {
    letGo_->setSingleShot(true);
    letGo_->setTimerType(Qt::PreciseTimer);
    QObject::connect(letGo_.get(), &QTimer::timeout, this, [this] { onLetGo(); });
    s_->onGrabbedPress = [this](const xcb_input_key_press_event_t& e) { onGrabbedPress(e); };
    s_->onCoreGrabbedPress = [this](const xcb_key_press_event_t& e) { onCoreGrabbedPress(e); };
    s_->onUserKey = [this](xcb_keycode_t kc, bool press, bool unseen) { onUserKey(kc, press, unseen); };
    const std::weak_ptr<bool> alive = alive_;
    s_->addLayoutListener([this, alive] {
        if (!alive.expired()) onLayoutChanged();
    });
}

HotkeyRouter::~HotkeyRouter() {
    *alive_ = false;
    s_->onGrabbedPress = nullptr;
    s_->onCoreGrabbedPress = nullptr;
    s_->onUserKey = nullptr;
    for (const Chord& c : chords_) unclaimOnServer(c);
    for (const auto& [kc, mods] : grabbed_) ungrabXi(kc, {kAnyModifier});
    for (const auto& [kc, letGo] : taking_) ungrabXi(kc, {kAnyModifier});
    s_->flush();
}

// --- claims ----------------------------------------------------------------

std::string HotkeyRouter::resolve(Chord& chord) const {
    if (chord.keyCode <= 0 || chord.keyCode > 255) return "no key";
    chord.keycodes = s_->layout().keycodes(static_cast<std::uint8_t>(chord.keyCode));
    if (chord.keycodes.empty()) return "the key is not on the keyboard layout";
    bool ok = true;
    chord.mods = s_->layout().xModifiers(chord.modKeyCode, &ok);
    if (!ok) return "Alt or the Windows key is bound to no modifier in the modifier map";
    if (keptByTheServer(chord)) return "the X server keeps this chord for itself (a console switch or its own end)";
    return {};
}

bool HotkeyRouter::keptByTheServer(const Chord& chord) const {
    // Ctrl+Alt without Shift picks the level of a key where the keyboard map
    // puts the server's own actions (Ctrl+Alt+F1, Ctrl+Alt+Backspace where it
    // is turned on); the server acts on those and passes no press on.
    constexpr int kCtrlAlt = mod::Control | mod::Alt;
    if ((chord.modKeyCode & kCtrlAlt) != kCtrlAlt || (chord.modKeyCode & mod::Shift)) return false;
    constexpr Keysym kFirstConsole = 0x1008FE01, kLastConsole = 0x1008FE0C, kTerminateServer = 0xFED5;
    const Keymap& map = s_->keymap();
    for (const xcb_keycode_t kc : chord.keycodes)
        for (int col = 0; col < map.keysymsPerKeycode(); ++col) {
            const Keysym ks = map.keysymAt(kc, col);
            if ((ks >= kFirstConsole && ks <= kLastConsole) || ks == kTerminateServer) return true;
        }
    return false;
}

bool HotkeyRouter::clashesWithOurs(const Chord& chord) const {
    for (const Chord& other : chords_) {
        if (other.mods != chord.mods) continue;
        for (const xcb_keycode_t kc : chord.keycodes)
            if (std::find(other.keycodes.begin(), other.keycodes.end(), kc) != other.keycodes.end()) return true;
    }
    return false;
}

bool HotkeyRouter::claimOnServer(const Chord& chord) {
    xcb_connection_t* c = s_->connection();
    std::vector<std::pair<xcb_keycode_t, std::uint16_t>> tried;
    std::vector<xcb_void_cookie_t> cookies;
    for (const xcb_keycode_t kc : chord.keycodes)
        for (const std::uint16_t variant : s_->layout().lockVariants(chord.mods)) {
            tried.emplace_back(kc, variant);
            // Sync, so that a press that meets the claim before our XInput2
            // grab (only while a chord is being set up) can be replayed.
            cookies.push_back(xcb_grab_key_checked(c, 1, s_->root(), variant, kc, XCB_GRAB_MODE_ASYNC,
                                                   XCB_GRAB_MODE_SYNC));
        }
    bool granted = true;
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        if (xcb_generic_error_t* err = xcb_request_check(c, cookies[i])) {
            granted = false;
            std::free(err);
        }
    }
    s_->countRoundTrip();
    if (!granted)  // some variants may have been granted: give them all back
        for (const auto& [kc, variant] : tried) xcb_ungrab_key(c, kc, s_->root(), variant);
    return granted;
}

void HotkeyRouter::unclaimOnServer(const Chord& chord) {
    for (const xcb_keycode_t kc : chord.keycodes)
        for (const std::uint16_t variant : s_->layout().lockVariants(chord.mods))
            xcb_ungrab_key(s_->connection(), kc, s_->root(), variant);
}

platform::Claim HotkeyRouter::claim(Owner owner, int modKeyCode, int keyCode,
                                              std::function<void(bool repeat)> onPressed,
                                              std::function<void(const std::string&)> onLost) {
    release(owner);
    Chord chord{owner, modKeyCode, keyCode, {}, 0, std::move(onPressed), std::move(onLost)};
    if (std::string why = resolve(chord); !why.empty()) return platform::Claim::refused(std::move(why));
    if (clashesWithOurs(chord)) return platform::Claim::taken();

    if (!claimOnServer(chord)) {
        s_->sync();  // refused means none of it is held any more
        return platform::Claim::taken();
    }
    chords_.push_back(std::move(chord));
    // Our XInput2 grabs of the chord's combinations go in after the claim,
    // so that the server tries them first; one that was there already (a
    // variant of another chord's) is made again, which puts it in front.
    for (const xcb_keycode_t kc : chords_.back().keycodes) {
        std::set<std::uint16_t>& have = grabbed_[kc];
        std::vector<std::uint32_t> mods;
        for (const std::uint16_t v : s_->layout().lockVariants(chords_.back().mods)) {
            mods.push_back(v);
            have.insert(v);
        }
        grabXi(kc, mods);
        applyGrabs(kc);
    }
    // Registered means in force: a key pressed from now on, by any client, meets the grabs.
    s_->sync();
    return platform::Claim::granted();
}

void HotkeyRouter::release(Owner owner) {
    const auto it = std::find_if(chords_.begin(), chords_.end(), [owner](const Chord& c) { return c.owner == owner; });
    if (it == chords_.end()) return;
    const Chord gone = std::move(*it);
    chords_.erase(it);
    unclaimOnServer(gone);
    for (const xcb_keycode_t kc : gone.keycodes) applyGrabs(kc);
    s_->flush();
}

void HotkeyRouter::setHeldModifiers(int held, int letGo) {
    const std::uint16_t h = s_->layout().xModifiers(held), l = s_->layout().xModifiers(letGo);
    if (h == held_ && l == released_) return;
    held_ = h;
    released_ = l;
    std::set<xcb_keycode_t> keys;
    for (const Chord& c : chords_) keys.insert(c.keycodes.begin(), c.keycodes.end());
    for (const xcb_keycode_t kc : keys) applyGrabs(kc);
    s_->flush();
}

// --- XInput2 grabs ----------------------------------------------------------

std::vector<std::uint16_t> HotkeyRouter::statesOf(const Chord& chord) const {
    // While playbacks run, each modifier they hold may or may not be down
    // (they press and let go of them, and so may others), and each of the
    // chord's own that they let go of may be missing.
    const auto always = static_cast<std::uint16_t>(chord.mods & ~released_);
    const auto maybe = static_cast<std::uint16_t>((chord.mods & released_) | (held_ & ~chord.mods));
    std::vector<std::uint16_t> states;
    for (std::uint16_t some = maybe;; some = static_cast<std::uint16_t>((some - 1) & maybe)) {
        states.push_back(always | some);
        if (some == 0) break;
    }
    return states;
}

std::set<std::uint16_t> HotkeyRouter::wanted(xcb_keycode_t kc) const {
    std::set<std::uint16_t> mods;
    for (const Chord& c : chords_) {
        if (std::find(c.keycodes.begin(), c.keycodes.end(), kc) == c.keycodes.end()) continue;
        for (const std::uint16_t state : statesOf(c))
            for (const std::uint16_t v : s_->layout().lockVariants(state)) mods.insert(v);
    }
    return mods;
}

void HotkeyRouter::applyGrabs(xcb_keycode_t kc) {
    const std::set<std::uint16_t> want = wanted(kc);
    std::set<std::uint16_t>& have = grabbed_[kc];
    std::vector<std::uint32_t> add, remove;
    for (const std::uint16_t m : want)
        if (!have.contains(m)) add.push_back(m);
    // Taking a combination away from a key taken with any modifiers would
    // leave a hole in that grab: it waits until the key is let go.
    if (!taking_.contains(kc))
        for (const std::uint16_t m : have)
            if (!want.contains(m)) remove.push_back(m);
    if (!add.empty()) grabXi(kc, add);
    if (!remove.empty()) ungrabXi(kc, remove);
    for (const std::uint32_t m : add) have.insert(static_cast<std::uint16_t>(m));
    for (const std::uint32_t m : remove) have.erase(static_cast<std::uint16_t>(m));
    if (have.empty()) grabbed_.erase(kc);
}

void HotkeyRouter::grabXi(xcb_keycode_t kc, const std::vector<std::uint32_t>& mods) {
    const KeyEventMask mask{{s_->keyboard(), 1}, XCB_INPUT_XI_EVENT_MASK_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_KEY_RELEASE};
    // Sync: the keyboard waits while we decide what the press is.
    const auto cookie = xcb_input_xi_passive_grab_device(
        s_->connection(), XCB_CURRENT_TIME, s_->root(), XCB_CURSOR_NONE, kc, s_->keyboard(),
        static_cast<std::uint16_t>(mods.size()), 1, XCB_INPUT_GRAB_TYPE_KEYCODE, XCB_INPUT_GRAB_MODE_22_SYNC,
        XCB_INPUT_GRAB_MODE_22_ASYNC, XCB_INPUT_GRAB_OWNER_NO_OWNER, &mask.bits, mods.data());
    xcb_discard_reply(s_->connection(), cookie.sequence);
}

void HotkeyRouter::ungrabXi(xcb_keycode_t kc, const std::vector<std::uint32_t>& mods) {
    xcb_input_xi_passive_ungrab_device(s_->connection(), s_->root(), kc, s_->keyboard(),
                                       static_cast<std::uint16_t>(mods.size()), XCB_INPUT_GRAB_TYPE_KEYCODE,
                                       mods.data());
}

// --- presses ----------------------------------------------------------------

std::uint16_t HotkeyRouter::userModifiers() const {
    const KeyBits held = s_->held();
    int mask = 0;
    for (int kc = 0; kc < 256; ++kc)
        if (held[kc]) mask |= mod::Of(s_->layout().virtualKey(static_cast<xcb_keycode_t>(kc)));
    return s_->layout().xModifiers(mask);
}

const HotkeyRouter::Chord* HotkeyRouter::match(xcb_keycode_t kc, std::uint16_t state) const {
    const auto s = static_cast<std::uint16_t>(state & 0xff & ~s_->layout().lockMask());
    const bool playing = held_ || released_;
    // With a playback holding modifiers, E under Ctrl+Alt may be the chord E
    // (the playback's Ctrl+Alt added) or the chord Ctrl+Alt+E, and with one
    // that let go of the user's Shift, Ctrl+Shift+E comes as Ctrl+E: the chord
    // whose modifiers the user holds is meant. Failing that, one that fits as
    // it stands or with the held modifiers added.
    std::optional<std::uint16_t> user;
    const Chord* found = nullptr;
    for (const Chord& c : chords_) {
        if (std::find(c.keycodes.begin(), c.keycodes.end(), kc) == c.keycodes.end()) continue;
        if (!playing) {
            if (s == c.mods) return &c;
            continue;
        }
        const std::vector<std::uint16_t> states = statesOf(c);
        if (std::find(states.begin(), states.end(), s) == states.end()) continue;
        if (!user) user = static_cast<std::uint16_t>(userModifiers() & (s | released_));
        if (c.mods == *user) return &c;
        if (s == c.mods || s == (c.mods | held_))
            if (!found || s == c.mods) found = &c;
    }
    return found;
}

void HotkeyRouter::onGrabbedPress(const xcb_input_key_press_event_t& e) {
    const auto kc = static_cast<xcb_keycode_t>(e.detail);
    if (s_->sourceOf(kc, e.time) == KeySource::Ours) {
        // The program's own key: on to the focused window, past our grabs.
        xcb_input_xi_allow_events(s_->connection(), XCB_CURRENT_TIME, s_->keyboard(),
                                  XCB_INPUT_EVENT_MODE_REPLAY_DEVICE, 0, 0);
        s_->flush();
        return;
    }
    firePress(kc, static_cast<std::uint16_t>(e.mods.effective), true);
}

void HotkeyRouter::onCoreGrabbedPress(const xcb_key_press_event_t& e) {
    // A claim met the press before our XInput2 grab (a chord being set up):
    // it says nothing of where the press came from, so it counts as the user's.
    firePress(e.detail, e.state, false);
}

void HotkeyRouter::firePress(xcb_keycode_t kc, std::uint16_t state, bool xi) {
    const Chord* chord = match(kc, state);
    const bool taken = taking_.contains(kc);
    xcb_connection_t* c = s_->connection();
    if (!chord && !taken) {
        // A variant grabbed for modifiers a playback no longer holds: on it goes.
        if (xi) xcb_input_xi_allow_events(c, XCB_CURRENT_TIME, s_->keyboard(), XCB_INPUT_EVENT_MODE_REPLAY_DEVICE, 0, 0);
        else xcb_allow_events(c, XCB_ALLOW_REPLAY_KEYBOARD, XCB_CURRENT_TIME);
        s_->flush();
        return;
    }
    // Taking the key starts before the grab lets go, so that no repeat slips through.
    if (chord && !taken && takeHeldKey_) startTaking(kc);
    if (xi) xcb_input_xi_ungrab_device(c, XCB_CURRENT_TIME, s_->keyboard());
    else xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    if (!chord) {  // the held key repeating under other modifiers: taken, not delivered
        s_->flush();
        return;
    }
    s_->markTrigger();
    // Keys that reached the server while the grab held the keyboard (typed in
    // the same instant as the trigger, or while we were kept from running)
    // come out before anything sent from now on, and so do our own keys still
    // on their way; the playback reads them all (its one round trip) before it
    // decides what to let go of.
    const auto fire = chord->onPressed;           // the chord list may change during the call
    const std::shared_ptr<Session> session = s_;  // and this router may be gone after it
    if (fire) fire(session->pressRepeats(kc));
    session->endTrigger();
}

void HotkeyRouter::fireUnseenPress(xcb_keycode_t kc) {
    // The user pressed a key that a running target holds down (Alt+C while
    // Ctrl+C is being typed): the server takes it for that key still down, so
    // no grab sees it, and the chord is known from the raw event alone.
    int down = 0;
    for (int k = 0; k < 256; ++k)
        if (s_->logical()[k]) down |= mod::Of(s_->layout().virtualKey(static_cast<xcb_keycode_t>(k)));
    const Chord* chord = match(kc, s_->layout().xModifiers(down));
    if (!chord) return;
    if (!taking_.contains(kc) && takeHeldKey_) startTaking(kc);
    // Raw events are read in the middle of other work (a playback's own look
    // at the keys): the trigger waits for the event loop.
    const bool repeat = s_->pressRepeats(kc);
    QTimer::singleShot(0, this, [this, owner = chord->owner, mods = chord->modKeyCode, key = chord->keyCode, repeat] {
        const auto it = std::find_if(chords_.begin(), chords_.end(), [&](const Chord& c) {
            return c.owner == owner && c.modKeyCode == mods && c.keyCode == key;
        });
        if (it == chords_.end()) return;  // let go of meanwhile
        const auto fire = it->onPressed;
        const std::shared_ptr<Session> session = s_;
        session->markTrigger();
        if (fire) fire(repeat);
        session->endTrigger();
    });
}

// --- the held key -------------------------------------------------------------

void HotkeyRouter::startTaking(xcb_keycode_t kc) {
    grabXi(kc, {kAnyModifier});
    taking_[kc] = std::nullopt;
    // Let go already (a tap quicker than we are): it counts from now.
    if (!s_->held()[kc]) {
        taking_[kc] = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLetGoSettleMs);
        armLetGo();
    }
}

void HotkeyRouter::stopTaking(xcb_keycode_t kc) {
    if (taking_.erase(kc) == 0) return;
    // Ungrabbing combinations from the any-modifier grab leaves it holding
    // the others: in one request the grab shrinks to the chords' own
    // combinations, with no moment in which the key is not grabbed.
    const std::set<std::uint16_t> want = wanted(kc);
    std::vector<std::uint32_t> others;
    for (std::uint32_t m = 0; m <= 0xff; ++m)
        if (!want.contains(static_cast<std::uint16_t>(m))) others.push_back(m);
    if (want.empty()) others = {kAnyModifier};
    ungrabXi(kc, others);
    grabbed_[kc] = want;
    if (want.empty()) grabbed_.erase(kc);
    s_->flush();
}

void HotkeyRouter::onUserKey(xcb_keycode_t kc, bool press, bool unseen) {
    if (unseen) fireUnseenPress(kc);
    const auto it = taking_.find(kc);
    if (it == taking_.end()) return;
    if (press) {
        it->second.reset();
    } else {
        it->second = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLetGoSettleMs);
        armLetGo();
    }
}

void HotkeyRouter::armLetGo() {
    std::optional<std::chrono::steady_clock::time_point> next;
    for (const auto& [kc, at] : taking_)
        if (at && (!next || *at < *next)) next = at;
    if (!next) return;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - std::chrono::steady_clock::now());
    letGo_->start(static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count())));
}

void HotkeyRouter::onLetGo() {
    // The press that follows a repeat's release may be waiting, unread, if
    // this process was kept from running: read every key event first.
    s_->sync();
    const auto now = std::chrono::steady_clock::now();
    std::vector<xcb_keycode_t> done;
    for (const auto& [kc, at] : taking_)
        if (at && *at <= now) done.push_back(kc);
    for (const xcb_keycode_t kc : done) stopTaking(kc);
    armLetGo();
}

// --- a new layout -------------------------------------------------------------

void HotkeyRouter::onLayoutChanged() {
    // Every chord is grabbed again on the keycodes and modifiers of the new
    // layout; one whose key is gone is turned off, as a refused chord is.
    std::set<xcb_keycode_t> old;
    for (const Chord& c : chords_) old.insert(c.keycodes.begin(), c.keycodes.end());
    for (const auto& [kc, mods] : grabbed_) old.insert(kc);
    for (const auto& [kc, letGo] : taking_) old.insert(kc);
    for (const xcb_keycode_t kc : old) {
        xcb_ungrab_key(s_->connection(), kc, s_->root(), XCB_MOD_MASK_ANY);
        ungrabXi(kc, {kAnyModifier});
    }
    grabbed_.clear();
    taking_.clear();

    std::vector<Chord> all = std::move(chords_);
    chords_.clear();
    std::vector<std::pair<std::function<void(const std::string&)>, std::string>> lost;
    for (Chord& c : all) {
        std::string why = resolve(c);
        if (why.empty() && clashesWithOurs(c)) why = "another slot holds the chord on the new layout";
        if (why.empty() && !claimOnServer(c)) why = "another program holds the chord on the new layout";
        if (why.empty()) chords_.push_back(std::move(c));
        else lost.emplace_back(c.onLost, why);
    }
    std::set<xcb_keycode_t> keys;
    for (const Chord& c : chords_) keys.insert(c.keycodes.begin(), c.keycodes.end());
    for (const xcb_keycode_t kc : keys) applyGrabs(kc);
    s_->flush();
    for (const auto& [onLost, why] : lost) {
        std::fprintf(stderr, "zorvane-change-hotkey: a chord was turned off after a keyboard layout change: %s\n",
                     why.c_str());
        if (onLost) onLost(why);
    }
}

}  // namespace x11
