#include "platform/x11/x11_session.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QSocketNotifier>
#include <QTimer>
#include <xcb/xtest.h>

namespace x11 {

namespace {

// How long after a mapping change the layout is read again.
constexpr int kLayoutSettleMs = 50;

// How many of the latest presses are kept to tell who made a grabbed one.
constexpr std::size_t kPressesKept = 256;
// A repeat forwarded from another display (a nested server, a remote desktop)
// comes as a release and a press, at most a repeat interval apart (40 ms at
// X's default 25 a second); no one lets go of a key and presses it again sooner.
constexpr xcb_timestamp_t kRepeatHalvesMs = 40;
constexpr std::size_t kInjectionsKept = 256;

template <class T>
struct Freer {
    void operator()(T* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, Freer<T>>;

bool sequenceBefore(std::uint16_t a, std::uint16_t b) { return static_cast<std::int16_t>(a - b) < 0; }
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

Session::Session(xcb_connection_t* c, std::uint8_t xinputOpcode) : c_(c), xinputOpcode_(xinputOpcode) {
    root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    trace_ = std::getenv("ZORVANE_TRACE") != nullptr;
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
    if (keyboard_ == 0) {
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

void Session::findDevices() {
    // The keyboard that goes with the client pointer: the one applications type with.
    Reply<xcb_input_xi_get_client_pointer_reply_t> cp(
        xcb_input_xi_get_client_pointer_reply(c_, xcb_input_xi_get_client_pointer(c_, XCB_NONE), nullptr));
    Reply<xcb_input_xi_query_device_reply_t> devices(
        xcb_input_xi_query_device_reply(c_, xcb_input_xi_query_device(c_, XCB_INPUT_DEVICE_ALL), nullptr));
    roundTrips_ += 2;
    if (!devices) return;
    constexpr char kXTest[] = "XTEST Device";
    Reply<xcb_intern_atom_reply_t> atom(
        xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 1, sizeof kXTest - 1, kXTest), nullptr));
    ++roundTrips_;
    const xcb_atom_t xtestAtom = atom ? atom->atom : XCB_ATOM_NONE;

    keyboard_ = 0;
    for (auto it = xcb_input_xi_query_device_infos_iterator(devices.get()); it.rem; xcb_input_xi_device_info_next(&it))
        if (it.data->type == XCB_INPUT_DEVICE_TYPE_MASTER_POINTER && cp && it.data->deviceid == cp->deviceid)
            keyboard_ = it.data->attachment;
    for (auto it = xcb_input_xi_query_device_infos_iterator(devices.get()); it.rem; xcb_input_xi_device_info_next(&it))
        if (keyboard_ == 0 && it.data->type == XCB_INPUT_DEVICE_TYPE_MASTER_KEYBOARD) keyboard_ = it.data->deviceid;

    injectionDevices_.clear();
    keyboards_.clear();
    for (auto it = xcb_input_xi_query_device_infos_iterator(devices.get()); it.rem; xcb_input_xi_device_info_next(&it)) {
        const xcb_input_xi_device_info_t* info = it.data;
        if (info->type != XCB_INPUT_DEVICE_TYPE_SLAVE_KEYBOARD || info->attachment != keyboard_) continue;
        Reply<xcb_input_xi_list_properties_reply_t> props(
            xcb_input_xi_list_properties_reply(c_, xcb_input_xi_list_properties(c_, info->deviceid), nullptr));
        ++roundTrips_;
        bool injection = false;
        if (props) {
            const xcb_atom_t* atoms = xcb_input_xi_list_properties_properties(props.get());
            for (int i = 0; i < xcb_input_xi_list_properties_properties_length(props.get()); ++i)
                injection = injection || atoms[i] == xtestAtom;
        }
        (injection ? injectionDevices_ : keyboards_).insert(info->deviceid);
    }
}

void Session::seedKeyState() {
    Reply<xcb_query_keymap_reply_t> keys(xcb_query_keymap_reply(c_, xcb_query_keymap(c_), nullptr));
    ++roundTrips_;
    logical_.reset();
    if (keys)
        for (int kc = 8; kc < 256; ++kc)
            if (keys->keys[kc / 8] & (1u << (kc % 8))) logical_.set(kc);
    injected_ = devicesDown(injectionDevices_);
    // Keys another program injected are held while applications see them
    // down; one that came up for them (its user let go of it) is a leftover
    // of the injection device.
    held_ = devicesDown(keyboards_) | (injected_ & logical_);
}

KeyBits Session::devicesDown(const std::set<xcb_input_device_id_t>& devices) {
    KeyBits down;
    for (const xcb_input_device_id_t id : devices) {
        const auto small = static_cast<std::uint8_t>(id);
        std::free(xcb_input_open_device_reply(c_, xcb_input_open_device(c_, small), nullptr));
        Reply<xcb_input_query_device_state_reply_t> state(
            xcb_input_query_device_state_reply(c_, xcb_input_query_device_state(c_, small), nullptr));
        roundTrips_ += 2;
        if (!state) continue;
        for (auto s = xcb_input_query_device_state_classes_iterator(state.get()); s.rem; xcb_input_input_state_next(&s)) {
            if (s.data->class_id != XCB_INPUT_INPUT_CLASS_KEY) continue;
            const auto* k = reinterpret_cast<const xcb_input_key_state_t*>(s.data);
            for (int kc = 8; kc < 256; ++kc)
                if (k->keys[kc / 8] & (1u << (kc % 8))) down.set(kc);
        }
    }
    return down;
}

bool Session::reloadLayout() {
    layoutReloadScheduled_ = false;
    Keymap keymap;
    keymap.load(c_);
    ModifierMap modifiers;
    Reply<xcb_get_modifier_mapping_reply_t> mm(
        xcb_get_modifier_mapping_reply(c_, xcb_get_modifier_mapping(c_), nullptr));
    roundTrips_ += 2;
    if (mm) {
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(mm.get());
        for (int mod = 0; mod < 8; ++mod)
            for (int i = 0; i < mm->keycodes_per_modifier; ++i)
                if (const xcb_keycode_t kc = codes[mod * mm->keycodes_per_modifier + i]) modifiers[mod].push_back(kc);
    }
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
        std::fprintf(stderr, "zorvane-change-hotkey: the connection to the X server was lost\n");
        notifier_->setEnabled(false);
    }
    xcb_flush(c_);
}

void Session::sync() {
    const auto cookie = xcb_get_input_focus(c_);
    std::free(xcb_get_input_focus_reply(c_, cookie, nullptr));
    ++roundTrips_;
    readQueuedKeyEvents(cookie.sequence);
    scheduleDispatch();
}

void Session::reconcile() {
    // Asked together, answered in one round trip.
    const auto keymap = xcb_query_keymap(c_);
    auto ask = [this](const std::set<xcb_input_device_id_t>& devices) {
        std::vector<xcb_input_query_device_state_cookie_t> cookies;
        for (const xcb_input_device_id_t id : devices)
            cookies.push_back(xcb_input_query_device_state(c_, static_cast<std::uint8_t>(id)));
        return cookies;
    };
    const auto keyboards = ask(keyboards_);
    const auto injection = ask(injectionDevices_);
    // Keys down on the devices asked; false when one gave no answer.
    auto down = [this](const std::vector<xcb_input_query_device_state_cookie_t>& cookies, KeyBits& keys) {
        bool all = true;
        for (const auto& cookie : cookies) {
            Reply<xcb_input_query_device_state_reply_t> state(
                xcb_input_query_device_state_reply(c_, cookie, nullptr));
            if (!state) {
                all = false;
                continue;
            }
            for (auto s = xcb_input_query_device_state_classes_iterator(state.get()); s.rem;
                 xcb_input_input_state_next(&s)) {
                if (s.data->class_id != XCB_INPUT_INPUT_CLASS_KEY) continue;
                const auto* k = reinterpret_cast<const xcb_input_key_state_t*>(s.data);
                for (int kc = 8; kc < 256; ++kc)
                    if (k->keys[kc / 8] & (1u << (kc % 8))) keys.set(kc);
            }
        }
        return all;
    };
    Reply<xcb_query_keymap_reply_t> logical(xcb_query_keymap_reply(c_, keymap, nullptr));
    KeyBits onKeyboards, onInjection;
    const bool keyboardsKnown = down(keyboards, onKeyboards);
    const bool injectionKnown = down(injection, onInjection);
    ++roundTrips_;

    // Events the server sent after the answers describe a later state than
    // theirs: the keys they are about keep what the events made of them.
    const KeyBits later = readQueuedKeyEvents(keymap.sequence);
    KeyBits server;
    server.set();
    if (logical) {
        server.reset();
        for (int kc = 8; kc < 256; ++kc)
            if (logical->keys[kc / 8] & (1u << (kc % 8))) server.set(kc);
        logical_ = (logical_ & later) | (server & ~later);
    }
    // Held by the user's hand, or by another program's injection while
    // applications see it down.
    if (keyboardsKnown && injectionKnown) held_ &= onKeyboards | (onInjection & server) | later;
    if (injectionKnown) injected_ = (injected_ & later) | (onInjection & ~later);
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

void Session::handle(xcb_generic_event_t* ev) {
    const std::uint8_t type = ev->response_type & 0x7f;
    if (type == 0) {
        const auto* err = reinterpret_cast<const xcb_generic_error_t*>(ev);
        std::fprintf(stderr, "zorvane-change-hotkey: X error %d on request %d.%d\n", err->error_code, err->major_code,
                     err->minor_code);
        return;
    }
    if (type == XCB_MAPPING_NOTIFY) {
        onMappingNotify(*reinterpret_cast<const xcb_mapping_notify_event_t*>(ev));
        return;
    }
    if (type == XCB_KEY_PRESS) {
        if (onCoreGrabbedPress) onCoreGrabbedPress(*reinterpret_cast<const xcb_key_press_event_t*>(ev));
        return;
    }
    if (type != XCB_GE_GENERIC) return;
    const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(ev);
    if (ge->extension != xinputOpcode_) return;
    switch (ge->event_type) {
        case XCB_INPUT_RAW_KEY_PRESS:
        case XCB_INPUT_RAW_KEY_RELEASE:
            handleRaw(*reinterpret_cast<const xcb_input_raw_key_press_event_t*>(ev));
            break;
        case XCB_INPUT_KEY_PRESS:
            if (onGrabbedPress) onGrabbedPress(*reinterpret_cast<const xcb_input_key_press_event_t*>(ev));
            break;
        case XCB_INPUT_HIERARCHY:
            findDevices();  // a keyboard was plugged in or taken away
            break;
        default:
            break;
    }
}

void Session::handleRaw(const xcb_input_raw_key_press_event_t& raw) {
    if (raw.deviceid != keyboard_) return;
    const auto kc = static_cast<xcb_keycode_t>(raw.detail);
    const bool press = raw.event_type == XCB_INPUT_RAW_KEY_PRESS;
    KeySource source = KeySource::Keyboard;
    if (injectionDevices_.contains(raw.sourceid)) {
        source = KeySource::OtherInjection;
        // Ours when it answers the oldest of our injections still waiting for
        // this key event. The device makes its events in the order it is
        // given them. An event comes while its request is carried out, so it
        // bears that request's sequence number, or, when a grab had frozen
        // the keyboard, later, bearing the number of whatever request let it
        // go; it never bears an earlier one.
        const auto it = std::find_if(injections_.begin(), injections_.end(), [&](const Injection& i) {
            return i.kc == kc && i.press == press && !sequenceBefore(raw.sequence, i.sequence);
        });
        if (it != injections_.end()) {
            source = KeySource::Ours;
            injections_.erase(injections_.begin(), it + 1);  // those before it made no event
        }
    } else if (!keyboards_.contains(raw.sourceid)) {
        findDevices();  // a device we have not met
        if (injectionDevices_.contains(raw.sourceid)) source = KeySource::OtherInjection;
    }
    const bool unseen = press && logical_[kc] && !held_[kc];
    if (source != KeySource::Ours) {
        if (press) repeats_.set(kc, held_[kc] || (lastRelease_[kc] != 0 && raw.time - lastRelease_[kc] < kRepeatHalvesMs));
        else lastRelease_[kc] = raw.time;
    }
    logical_.set(kc, press);
    if (source != KeySource::Ours) held_.set(kc, press);
    if (source != KeySource::Keyboard) injected_.set(kc, press);
    if (press) {
        presses_.push_back({kc, raw.time, source});
        if (presses_.size() > kPressesKept) presses_.pop_front();
    }
    if (source != KeySource::Ours && onUserKey) onUserKey(kc, press, unseen);
}

void Session::noteInjection(unsigned sequence, xcb_keycode_t kc, bool press) {
    injections_.push_back({static_cast<std::uint16_t>(sequence), kc, press});
    // Injections that made no event are dropped as soon as a later one comes
    // back; a bound keeps them from piling up when none does.
    if (injections_.size() > kInjectionsKept) injections_.pop_front();
    if (!triggerPending_) return;
    triggerPending_ = false;
    roundTripsToFirstKey_ = roundTrips_ - roundTripsAtTrigger_;
    if (trace_)  // later: writing now would hold the key up
        QTimer::singleShot(0, this, [n = roundTripsToFirstKey_] {
            std::fprintf(stderr, "zorvane-change-hotkey: trace: first key %u round trips after the trigger\n", n);
        });
}

KeySource Session::sourceOf(xcb_keycode_t kc, xcb_timestamp_t time) {
    // The server handles the raw event of a key before any grab sees it, and
    // keeps presses in order, so a grabbed press is the oldest press of that
    // key at that time not yet accounted for.
    for (std::size_t i = 0; i < presses_.size(); ++i) {
        if (presses_[i].kc != kc || presses_[i].time != time) continue;
        const KeySource source = presses_[i].source;
        // Older presses of the key went elsewhere; they are done with.
        std::deque<RawPress> rest;
        for (std::size_t j = 0; j < presses_.size(); ++j)
            if (j > i || presses_[j].kc != kc) rest.push_back(presses_[j]);
        presses_.swap(rest);
        return source;
    }
    // No raw event: a repeat the server made of a key held down on a keyboard.
    return KeySource::Keyboard;
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

}  // namespace x11
