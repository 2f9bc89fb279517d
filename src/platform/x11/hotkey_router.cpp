#include "platform/x11/hotkey_router.h"

#include <algorithm>
#include <cstdlib>

#include <QTimer>

#include "core/keys/virtual_keys.h"

namespace x11 {

static_assert(GrabSet::kAnyModifiers == XCB_INPUT_MODIFIER_MASK_ANY);

namespace {

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
    for (const Chord& c : chords_.chords()) unclaimOnServer(c);
    for (const Keycode kc : grabs_.keys()) ungrabXi(kc, {GrabSet::kAnyModifiers});
    for (const Keycode kc : guard_.keys()) ungrabXi(kc, {GrabSet::kAnyModifiers});
    s_->flush();
}

// --- claims ----------------------------------------------------------------

bool HotkeyRouter::claimOnServer(const Chord& chord) {
    xcb_connection_t* c = s_->connection();
    std::vector<std::pair<xcb_keycode_t, std::uint16_t>> tried;
    std::vector<xcb_void_cookie_t> cookies;
    for (const xcb_keycode_t kc : chord.keycodes)
        for (const std::uint16_t variant : s_->layout().lockVariants(chord.mods)) {
            tried.emplace_back(kc, variant);
            // Sync, so that a press that meets the claim before our XInput2
            // grab (only while a chord is being set up) can be replayed.
            cookies.push_back(
                xcb_grab_key_checked(c, 1, s_->root(), variant, kc, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_SYNC));
        }
    bool granted = true;
    for (const xcb_void_cookie_t& cookie : cookies) {
        if (xcb_generic_error_t* err = xcb_request_check(c, cookie)) {
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

platform::Claim HotkeyRouter::claim(Owner owner, mod::Mask modKeyCode, int keyCode,
                                    std::function<void(bool repeat)> onPressed,
                                    std::function<void(platform::Loss, const std::string&)> onLost) {
    release(owner);
    Chord chord{owner, modKeyCode, keyCode, {}, 0, std::move(onPressed), std::move(onLost)};
    if (std::string why = ChordTable::Resolve(chord, s_->layout(), s_->keymap()); !why.empty())
        return platform::Claim::refused(std::move(why));
    if (chords_.clashes(chord)) return platform::Claim::taken();

    if (!claimOnServer(chord)) {
        s_->sync();  // refused means none of it is held any more
        return platform::Claim::taken();
    }
    const Chord& added = chords_.add(std::move(chord));
    // Our XInput2 grabs of the chord's combinations go in after the claim,
    // so that the server tries them first; one that was there already (a
    // variant of another chord's) is made again, which puts it in front.
    for (const xcb_keycode_t kc : added.keycodes) {
        grabXi(kc, grabs_.claim(kc, s_->layout().lockVariants(added.mods)));
        applyGrabs(kc);
    }
    // Registered means in force: a key pressed from now on, by any client, meets the grabs.
    s_->sync();
    return platform::Claim::granted();
}

void HotkeyRouter::release(Owner owner) {
    const std::optional<Chord> gone = chords_.remove(owner);
    if (!gone) return;
    unclaimOnServer(*gone);
    for (const xcb_keycode_t kc : gone->keycodes) applyGrabs(kc);
    s_->flush();
}

void HotkeyRouter::setHeldModifiers(mod::Mask held, mod::Mask letGo) {
    if (!chords_.setHeld(s_->layout().xModifiers(held), s_->layout().xModifiers(letGo))) return;
    for (const xcb_keycode_t kc : chords_.keycodes()) applyGrabs(kc);
    // A playback's keys that follow in its batch reach the server after the
    // grabs whenever they are written: one write for both is enough.
    s_->flushSoon();
    s_->markStep(TriggerTrace::Regrabbed);
}

// --- XInput2 grabs ----------------------------------------------------------

void HotkeyRouter::applyGrabs(xcb_keycode_t kc) {
    const GrabDiff diff = grabs_.update(kc, GrabSet::Wanted(chords_, s_->layout(), kc), guard_.taking(kc));
    if (!diff.grab.empty()) grabXi(kc, diff.grab);
    if (!diff.ungrab.empty()) ungrabXi(kc, diff.ungrab);
}

void HotkeyRouter::grabXi(xcb_keycode_t kc, const GrabMods& mods) {
    const KeyEventMask mask{{s_->keyboard(), 1},
                            XCB_INPUT_XI_EVENT_MASK_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_KEY_RELEASE};
    // Sync: the keyboard waits while we decide what the press is.
    const auto cookie = xcb_input_xi_passive_grab_device(
        s_->connection(), XCB_CURRENT_TIME, s_->root(), XCB_CURSOR_NONE, kc, s_->keyboard(),
        static_cast<std::uint16_t>(mods.size()), 1, XCB_INPUT_GRAB_TYPE_KEYCODE, XCB_INPUT_GRAB_MODE_22_SYNC,
        XCB_INPUT_GRAB_MODE_22_ASYNC, XCB_INPUT_GRAB_OWNER_NO_OWNER, &mask.bits, mods.data());
    xcb_discard_reply(s_->connection(), cookie.sequence);
}

void HotkeyRouter::ungrabXi(xcb_keycode_t kc, const GrabMods& mods) {
    xcb_input_xi_passive_ungrab_device(s_->connection(), s_->root(), kc, s_->keyboard(),
                                       static_cast<std::uint16_t>(mods.size()), XCB_INPUT_GRAB_TYPE_KEYCODE,
                                       mods.data());
}

// --- presses ----------------------------------------------------------------

std::uint16_t HotkeyRouter::userModifiers() const {
    const KeyBits& held = s_->held();
    mod::Mask mask;
    for (int kc = 0; kc < 256; ++kc)
        if (held[kc]) mask |= mod::Mask::of(s_->layout().virtualKey(static_cast<xcb_keycode_t>(kc)));
    return s_->layout().xModifiers(mask);
}

const Chord* HotkeyRouter::match(xcb_keycode_t kc, std::uint16_t state) const {
    return chords_.match(kc, state, s_->layout().lockMask(), [this] { return userModifiers(); });
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
    firePress(kc, static_cast<std::uint16_t>(e.mods.effective), true,
              (e.flags & XCB_INPUT_KEY_EVENT_FLAGS_KEY_REPEAT) != 0);
}

void HotkeyRouter::onCoreGrabbedPress(const xcb_key_press_event_t& e) {
    // A claim met the press before our XInput2 grab (a chord being set up):
    // it says nothing of where the press came from, so it counts as the user's.
    firePress(e.detail, e.state, false, false);
}

void HotkeyRouter::firePress(xcb_keycode_t kc, std::uint16_t state, bool xi, bool repeat) {
    const Chord* chord = match(kc, state);
    const bool taken = guard_.taking(kc);
    xcb_connection_t* c = s_->connection();
    if (!chord && !taken) {
        // A variant grabbed for modifiers a playback no longer holds: on it goes.
        if (xi)
            xcb_input_xi_allow_events(c, XCB_CURRENT_TIME, s_->keyboard(), XCB_INPUT_EVENT_MODE_REPLAY_DEVICE, 0, 0);
        else
            xcb_allow_events(c, XCB_ALLOW_REPLAY_KEYBOARD, XCB_CURRENT_TIME);
        s_->flush();
        return;
    }
    // Taking the key starts before the grab lets go, so that no repeat slips through.
    if (chord && !taken && takeHeldKey_) startTaking(kc);
    if (xi)
        xcb_input_xi_ungrab_device(c, XCB_CURRENT_TIME, s_->keyboard());
    else
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
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
    if (fire) fire(repeat || session->pressRepeats(kc));
    session->endTrigger();
}

void HotkeyRouter::fireUnseenPress(xcb_keycode_t kc) {
    // The user pressed a key that a running target holds down (Alt+C while
    // Ctrl+C is being typed): the server takes it for that key still down, so
    // no grab sees it, and the chord is known from the raw event alone.
    mod::Mask down;
    for (int k = 0; k < 256; ++k)
        if (s_->logical()[k]) down |= mod::Mask::of(s_->layout().virtualKey(static_cast<xcb_keycode_t>(k)));
    const Chord* chord = match(kc, s_->layout().xModifiers(down));
    if (!chord) return;
    if (!guard_.taking(kc) && takeHeldKey_) startTaking(kc);
    // Raw events are read in the middle of other work (a playback's own look
    // at the keys): the trigger waits for the event loop.
    const bool repeat = s_->pressRepeats(kc);
    QTimer::singleShot(0, this, [this, owner = chord->owner, mods = chord->modKeyCode, key = chord->keyCode, repeat] {
        const Chord* still = chords_.find(owner, mods, key);
        if (!still) return;  // let go of meanwhile
        const auto fire = still->onPressed;
        const std::shared_ptr<Session> session = s_;
        session->markTrigger();
        if (fire) fire(repeat);
        session->endTrigger();
    });
}

// --- the held key -------------------------------------------------------------

void HotkeyRouter::startTaking(xcb_keycode_t kc) {
    grabXi(kc, {GrabSet::kAnyModifiers});
    guard_.start(kc, s_->held()[kc], RepeatGuard::Clock::now());
    if (!s_->held()[kc]) armLetGo();
}

void HotkeyRouter::stopTaking(xcb_keycode_t kc) {
    ungrabXi(kc, grabs_.shrinkFromAny(kc, GrabSet::Wanted(chords_, s_->layout(), kc)));
    s_->flush();
}

void HotkeyRouter::onUserKey(xcb_keycode_t kc, bool press, bool unseen) {
    if (unseen) fireUnseenPress(kc);
    if (guard_.onUserKey(kc, press, RepeatGuard::Clock::now())) armLetGo();
}

void HotkeyRouter::armLetGo() {
    const auto next = guard_.nextLetGo();
    if (!next) return;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - RepeatGuard::Clock::now());
    letGo_->start(static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count())));
}

void HotkeyRouter::onLetGo() {
    // The press that follows a repeat's release may be waiting, unread, if
    // this process was kept from running: read every key event first.
    s_->sync();
    for (const Keycode kc : guard_.letGo(RepeatGuard::Clock::now())) stopTaking(kc);
    armLetGo();
}

// --- a new layout -------------------------------------------------------------

void HotkeyRouter::onLayoutChanged() {
    // Every chord is grabbed again on the keycodes and modifiers of the new
    // layout; one whose key is gone, or that another holds there, is lost.
    std::set<Keycode> old = chords_.keycodes();
    for (const Keycode kc : grabs_.keys()) old.insert(kc);
    for (const Keycode kc : guard_.keys()) old.insert(kc);
    for (const Keycode kc : old) {
        xcb_ungrab_key(s_->connection(), kc, s_->root(), XCB_MOD_MASK_ANY);
        ungrabXi(kc, {GrabSet::kAnyModifiers});
    }
    grabs_.clear();
    guard_.clear();

    struct Lost {
        std::function<void(platform::Loss, const std::string&)> onLost;
        platform::Loss reason;
        std::string why;
    };
    std::vector<Lost> lost;
    for (Chord& c : chords_.takeAll()) {
        if (std::string why = ChordTable::Resolve(c, s_->layout(), s_->keymap()); !why.empty())
            lost.push_back({c.onLost, platform::Loss::KeyGone, why});
        else if (chords_.clashes(c))
            lost.push_back({c.onLost, platform::Loss::Taken, "another slot holds the chord on the new layout"});
        else if (!claimOnServer(c))
            lost.push_back({c.onLost, platform::Loss::Taken, "another program holds the chord on the new layout"});
        else
            chords_.add(std::move(c));
    }
    for (const Keycode kc : chords_.keycodes()) applyGrabs(kc);
    s_->flush();
    // The slot reports it, as it reports every chord it loses.
    for (const auto& [onLost, reason, why] : lost)
        if (onLost) onLost(reason, "after a keyboard layout change, " + why);
}

}  // namespace x11
