#include "platform/x11/x11_session.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <xcb/xtest.h>
#include <QSocketNotifier>
#include <QTimer>

#include "core/diag/diag.h"
#include "core/diag/trace_switch.h"
#include "platform/x11/x11_queries.h"

namespace x11 {

namespace {

// How long after a mapping change the layout is read again.
constexpr int kLayoutSettleMs = 50;

template <class T>
struct Freer {
    void operator()(T* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, Freer<T>>;

bool sequenceBefore(std::uint32_t a, std::uint32_t b) { return static_cast<std::int32_t>(a - b) < 0; }

}  // namespace

std::shared_ptr<Session> Session::open(const char* displayName, std::string* error) {
    xcb_connection_t* c = xcb_connect(displayName, nullptr);
    auto fail = [&](const char* why) -> std::shared_ptr<Session> {
        if (error) *error = why;
        xcb_disconnect(c);
        return nullptr;
    };
    if (xcb_connection_has_error(c)) return fail("cannot open the X display");
    const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(c, &xcb_test_id);
    if (!xtest || !xtest->present) return fail("the X server has no XTEST extension");
    const xcb_query_extension_reply_t* xi = xcb_get_extension_data(c, &xcb_input_id);
    if (!xi || !xi->present) return fail("the X server has no XInput extension");
    Reply<xcb_input_xi_query_version_reply_t> v(
        xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr));
    if (!v || v->major_version < 2 || (v->major_version == 2 && v->minor_version < 2))
        return fail("the X server has no XInput 2.2");
    std::shared_ptr<Session> s(new Session(c, xi->major_opcode));
    if (!s->setUp(error)) return nullptr;
    return s;
}

Session::Session(xcb_connection_t* c, std::uint8_t xinputOpcode)
    : c_(c), xinputOpcode_(xinputOpcode), trace_(diag::TraceAsked()) {
    root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
}

Session::~Session() {
    *alive_ = false;
    notifier_.reset();
    for (xcb_generic_event_t* ev : deferred_) std::free(ev);
    xcb_disconnect(c_);  // the server drops every grab of the connection with it
}

bool Session::setUp(std::string* error) {
    // Raw events first: the key state read below then misses nothing that follows it.
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t bits;
    } raw{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
          XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE};
    xcb_input_xi_select_events(c_, root_, 1, &raw.head);
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t bits;
    } hierarchy{{XCB_INPUT_DEVICE_ALL, 1}, XCB_INPUT_XI_EVENT_MASK_HIERARCHY};
    xcb_input_xi_select_events(c_, root_, 1, &hierarchy.head);
    findDevices();
    if (!devices_.found()) {
        if (error) *error = "the X server has no keyboard";
        return false;
    }
    reloadLayout();
    seedKeyState();
    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { dispatch(); });
    scheduleDispatch();
    return true;
}

// --- devices and the key state at the start --------------------------------------

void Session::findDevices() {
    unsigned trips = 0;
    if (std::optional<Devices> found = query::FindDevices(c_, &trips)) devices_ = std::move(*found);
    trace_.countRoundTrip(trips);
}

void Session::seedKeyState() {
    unsigned trips = 1;
    const std::optional<KeyBits> logical = query::LogicalKeys(c_, xcb_query_keymap(c_));
    const KeyBits onInjection = query::OpenAndReadKeysDown(c_, devices_.injection(), &trips);
    const KeyBits onKeyboards = query::OpenAndReadKeysDown(c_, devices_.keyboards(), &trips);
    trace_.countRoundTrip(trips);
    ledger_.seed(logical.value_or(KeyBits()), onKeyboards, onInjection);
}

// --- the layout ---------------------------------------------------------------------

bool Session::reloadLayout() {
    layoutReloadScheduled_ = false;
    Keymap keymap;
    keymap.load(c_);
    unsigned trips = 1;
    const ModifierMap modifiers = query::Modifiers(c_, &trips);
    trace_.countRoundTrip(trips);
    scheduleDispatch();
    // The server hands out the mapping of whichever device typed last; two
    // devices may lay the same layout out differently.
    keymap_ = std::move(keymap);
    spare_ = keymap_.spareKeycodes();
    Layout layout(keymap_, modifiers);
    if (layout == layout_) return false;
    layout_ = std::move(layout);
    return true;
}

void Session::onMappingNotify(const xcb_mapping_notify_event_t& ev) {
    if (ev.request == XCB_MAPPING_POINTER) return;
    if (ev.request == XCB_MAPPING_KEYBOARD && ev.count == 1) {
        const auto own = ownMappingChanges_.find(ev.first_keycode);
        if (own != ownMappingChanges_.end()) {
            ownMappingChanges_.erase(own);
            return;  // the injector's borrowed keycode, not the user's layout
        }
    }
    // setxkbmap sends several notifications in a row: reload once for them
    // all. The server also sends one whenever keys start coming from another
    // device (a keyboard, then our injected keys), mostly with nothing
    // changed: reloading a moment later keeps that work off the path of the
    // keys just injected.
    if (layoutReloadScheduled_) return;
    layoutReloadScheduled_ = true;
    QTimer::singleShot(kLayoutSettleMs, this, [this] {
        if (!reloadLayout()) return;
        for (const auto& listener : layoutListeners_) listener();
    });
}

// --- the event pump -------------------------------------------------------------

void Session::scheduleDispatch() {
    // Events that a reply pulled in wait in xcb's queue, where the socket
    // notifier cannot see them.
    if (dispatchScheduled_) return;
    dispatchScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        dispatchScheduled_ = false;
        dispatch();
    });
}

void Session::dispatch() {
    const std::shared_ptr<bool> alive = alive_;
    while (*alive) {
        xcb_generic_event_t* ev = nullptr;
        if (!deferred_.empty()) {
            ev = deferred_.front();
            deferred_.pop_front();
        } else {
            ev = xcb_poll_for_event(c_);
        }
        if (!ev) break;
        handle(ev);  // may run a whole playback, and this loop again inside it
        std::free(ev);
    }
    if (!*alive) return;
    if (xcb_connection_has_error(c_) && notifier_) {
        diag::Report("the connection to the X server was lost");
        notifier_->setEnabled(false);
    }
    flush();
}

void Session::flush() {
    xcb_flush(c_);
    if (trace_.flushed() && trace_.timing()) report();
}

void Session::handle(xcb_generic_event_t* ev) {
    const std::uint8_t type = ev->response_type & 0x7f;
    if (type == 0) {
        const auto* err = reinterpret_cast<const xcb_generic_error_t*>(ev);
        diag::Report("X error " + std::to_string(err->error_code) + " on request " + std::to_string(err->major_code) +
                     "." + std::to_string(err->minor_code));
        return;
    }
    if (type == XCB_MAPPING_NOTIFY) {
        onMappingNotify(*reinterpret_cast<const xcb_mapping_notify_event_t*>(ev));
        return;
    }
    if (type == XCB_KEY_PRESS) {
        trace_.markAlways(TriggerTrace::Read);
        if (onCoreGrabbedPress) onCoreGrabbedPress(*reinterpret_cast<const xcb_key_press_event_t*>(ev));
        return;
    }
    if (type != XCB_GE_GENERIC) return;
    const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(ev);
    if (ge->extension != xinputOpcode_) return;
    switch (ge->event_type) {
        case XCB_INPUT_RAW_KEY_PRESS:
        case XCB_INPUT_RAW_KEY_RELEASE: handleRaw(*reinterpret_cast<const xcb_input_raw_key_press_event_t*>(ev)); break;
        case XCB_INPUT_KEY_PRESS:
            trace_.markAlways(TriggerTrace::Read);
            if (onGrabbedPress) onGrabbedPress(*reinterpret_cast<const xcb_input_key_press_event_t*>(ev));
            break;
        case XCB_INPUT_HIERARCHY:
            findDevices();  // a keyboard was plugged in or taken away
            break;
        default: break;
    }
}

// --- the key state ----------------------------------------------------------------

void Session::handleRaw(const xcb_input_raw_key_press_event_t& raw) {
    if (raw.deviceid != devices_.keyboard()) return;
    KeyLedger::RawKey key;
    key.kc = static_cast<Keycode>(raw.detail);
    key.press = raw.event_type == XCB_INPUT_RAW_KEY_PRESS;
    key.time = raw.time;
    key.sequence = raw.sequence;
    switch (devices_.kindOf(raw.sourceid)) {
        case Devices::Kind::Keyboard: key.from = KeyLedger::RawKey::From::Keyboard; break;
        case Devices::Kind::Injection: key.from = KeyLedger::RawKey::From::XTest; break;
        case Devices::Kind::Unknown:
            findDevices();  // a device we have not met
            key.from = devices_.kindOf(raw.sourceid) == Devices::Kind::Injection ? KeyLedger::RawKey::From::NewXTest
                                                                                 : KeyLedger::RawKey::From::Keyboard;
            break;
    }
    const KeyLedger::Seen seen = ledger_.onRaw(key);
    if (seen.source != KeySource::Ours && onUserKey) onUserKey(key.kc, key.press, seen.unseen);
}

void Session::noteInjection(unsigned sequence, xcb_keycode_t kc, bool press) {
    ledger_.announce(static_cast<std::uint16_t>(sequence), kc, press);
    trace_.firstKey();
}

void Session::sync() {
    trace_.mark(TriggerTrace::SyncSent);
    const auto cookie = xcb_get_input_focus(c_);
    std::free(xcb_get_input_focus_reply(c_, cookie, nullptr));
    trace_.countRoundTrip();
    readQueuedKeyEvents(cookie.sequence);
    trace_.mark(TriggerTrace::Answered);
    scheduleDispatch();
}

void Session::reconcile() {
    trace_.mark(TriggerTrace::SyncSent);
    // Asked together, answered in one round trip.
    const auto keymap = xcb_query_keymap(c_);
    const query::DeviceStateCookies keyboards = query::AskKeysDown(c_, devices_.keyboards());
    const query::DeviceStateCookies injection = query::AskKeysDown(c_, devices_.injection());
    const std::optional<KeyBits> logical = query::LogicalKeys(c_, keymap);
    const std::optional<KeyBits> onKeyboards = query::KeysDown(c_, keyboards);
    const std::optional<KeyBits> onInjection = query::KeysDown(c_, injection);
    trace_.countRoundTrip();
    // Events the server sent after the answers describe a later state than theirs.
    const KeyBits later = readQueuedKeyEvents(keymap.sequence);
    ledger_.reconcile(logical, onKeyboards, onInjection, later);
    trace_.mark(TriggerTrace::Answered);
    scheduleDispatch();
}

KeyBits Session::readQueuedKeyEvents(unsigned since) {
    // Only the key state is brought up to date now; anything else waits its
    // turn. A grabbed press still finds its raw event among the presses kept.
    KeyBits later;
    while (xcb_generic_event_t* ev = xcb_poll_for_queued_event(c_)) {
        const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(ev);
        const bool raw = (ev->response_type & 0x7f) == XCB_GE_GENERIC && ge->extension == xinputOpcode_ &&
                         (ge->event_type == XCB_INPUT_RAW_KEY_PRESS || ge->event_type == XCB_INPUT_RAW_KEY_RELEASE);
        if (raw) {
            const auto& key = *reinterpret_cast<const xcb_input_raw_key_press_event_t*>(ev);
            if (!sequenceBefore(key.full_sequence, since)) later.set(static_cast<xcb_keycode_t>(key.detail));
            handleRaw(key);
            std::free(ev);
        } else {
            deferred_.push_back(ev);
        }
    }
    return later;
}

// --- the trace ----------------------------------------------------------------------

void Session::report() {
    if (!trace_.timing()) return;
    // Later: writing now would hold the key up.
    QTimer::singleShot(0, this, [round = trace_.roundTripLine(), times = trace_.timesLine()] {
        diag::Report(round);
        diag::Report(times);
    });
}

}  // namespace x11
