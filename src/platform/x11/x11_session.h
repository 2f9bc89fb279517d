#pragma once
// One connection to the X server for everything the program does with the
// keyboard: its hotkey grabs, its injected keys and its view of which keys are
// down. Requests on one connection are carried out in order, which is what
// keeps the program's own keys apart from the user's (see hotkey_router.h).
//
// The session follows every key event of the server through XInput2 raw
// events, which come before anything a grab makes of the same key and carry
// the device the key came from. From them it keeps, without asking the
// server, which keys are down for applications and which the user holds on a
// keyboard, and it tells for each press whether it was the program's own.

#include <array>
#include <bitset>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <QObject>

#include "platform/x11/keymap.h"
#include "platform/x11/layout.h"

class QSocketNotifier;

namespace x11 {

using KeyBits = std::bitset<256>;  // by X keycode

// Who pressed a key.
enum class KeySource {
    Keyboard,        // a keyboard the user has in hand
    OtherInjection,  // another program's XTest (a remote desktop, xdotool)
    Ours,            // this program's injector
};

class Session : public QObject {
public:
    // Nothing when the display cannot be opened or lacks XTest or XInput 2.2.
    static std::shared_ptr<Session> open(const char* displayName, std::string* error);
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    xcb_connection_t* connection() const { return c_; }
    xcb_window_t root() const { return root_; }
    xcb_input_device_id_t keyboard() const { return keyboard_; }
    const Keymap& keymap() const { return keymap_; }
    const Layout& layout() const { return layout_; }
    // Keycodes that carry no keysym at all, free to borrow.
    const std::vector<xcb_keycode_t>& spareKeycodes() const { return spare_; }

    // Keys down for applications, and keys the user holds, by keycode. Keys
    // that another program injects (a remote desktop, another remapper, an
    // on-screen keyboard) count as the user's, as keys on a keyboard do.
    const KeyBits& logical() const { return logical_; }
    const KeyBits& held() const { return held_; }
    // Keys down on the XTest device itself, by anyone's injection. A key can
    // stay down there while it is up for applications (the user let go of a
    // key injected for them); a press of it would then do nothing.
    const KeyBits& injected() const { return injected_; }
    // Whether the last press of a key not by this program's hand repeated it:
    // the key was held since its last press, or its release and this press are
    // the two halves of a repeat forwarded from another display.
    bool pressRepeats(xcb_keycode_t kc) const { return repeats_[kc]; }
    // Waits until the server has answered everything sent so far, so that the
    // key state above includes every key event up to now. Presses that a grab
    // delivers meanwhile are handled later, from the event loop.
    void sync();
    // As sync(), and the key state is then checked against the server's own:
    // a key it believes down that the server says is up (on the keyboards, on
    // the injection device, for applications) is dropped, unless a key event
    // newer than the server's answer says otherwise. Still one round trip.
    void reconcile();

    // Round trips to the server so far (each request that waits for its reply).
    unsigned roundTrips() const { return roundTrips_; }
    // A trigger fired: the round trips until the first injected key are
    // counted, and written to the standard error when ZORVANE_TRACE is set.
    void markTrigger() {
        roundTripsAtTrigger_ = roundTrips_;
        triggerPending_ = true;
    }
    // The trigger's call has returned. One that played nothing (its slot's
    // playback was still running) has no first key: the running playback's
    // next key is not its.
    void endTrigger() { triggerPending_ = false; }
    // Round trips from the last trigger to its first injected key.
    unsigned roundTripsToFirstKey() const { return roundTripsToFirstKey_; }
    void countRoundTrip() {
        ++roundTrips_;
        scheduleDispatch();
    }

    // The injector tells each key event it sends, with its request's sequence
    // number, so that the raw event it makes is known as the program's own.
    void noteInjection(unsigned sequence, xcb_keycode_t kc, bool press);
    // The injector is about to give a keycode a keysym of its own for a moment:
    // the mapping change that follows is no change of the user's layout.
    void noteOwnMappingChange(xcb_keycode_t kc) { ownMappingChanges_.insert(kc); }
    // Who pressed the key a grab has just delivered (keycode and server time).
    KeySource sourceOf(xcb_keycode_t kc, xcb_timestamp_t time);

    // A press that one of the program's XInput2 grabs delivered.
    std::function<void(const xcb_input_key_press_event_t&)> onGrabbedPress;
    // A press the program's core grab delivered (only when another client
    // reordered the grabs).
    std::function<void(const xcb_key_press_event_t&)> onCoreGrabbedPress;
    // A key went down or up, not by this program's hand. `unseen`: a press of
    // a key that was already down for applications, held by someone other than
    // the user (a running target): no grab and no application sees it.
    std::function<void(xcb_keycode_t kc, bool press, bool unseen)> onUserKey;
    // The keyboard mapping or the modifier map has changed (the layout is new).
    void addLayoutListener(std::function<void()> listener) { layoutListeners_.push_back(std::move(listener)); }

    // Reads and handles every event that has arrived.
    void dispatch();
    // Events read but not handled yet (a sync reads them ahead of their turn).
    bool eventsWaiting() const { return !deferred_.empty() || dispatchScheduled_; }
    // Sends what is buffered.
    void flush() { xcb_flush(c_); }

private:
    Session(xcb_connection_t* c, std::uint8_t xinputOpcode);
    bool setUp(std::string* error);
    void findDevices();
    void seedKeyState();
    KeyBits devicesDown(const std::set<xcb_input_device_id_t>& devices);
    // Handles the raw key events xcb has read; returns the keys whose events
    // the server sent after the request numbered `since` was carried out.
    KeyBits readQueuedKeyEvents(unsigned since);
    void handle(xcb_generic_event_t* ev);
    void handleRaw(const xcb_input_raw_key_press_event_t& raw);
    void onMappingNotify(const xcb_mapping_notify_event_t& ev);
    // True when the layout means other keys than the one in use.
    bool reloadLayout();
    void scheduleDispatch();

    struct Injection {
        std::uint16_t sequence;
        xcb_keycode_t kc;
        bool press;
    };
    struct RawPress {
        xcb_keycode_t kc;
        xcb_timestamp_t time;
        KeySource source;
    };

    xcb_connection_t* c_;
    xcb_window_t root_ = 0;
    std::uint8_t xinputOpcode_;
    xcb_input_device_id_t keyboard_ = 0;
    std::set<xcb_input_device_id_t> injectionDevices_;  // the XTest keyboards
    std::set<xcb_input_device_id_t> keyboards_;         // the other keyboards of our master
    Keymap keymap_;
    Layout layout_;
    std::vector<xcb_keycode_t> spare_;
    KeyBits logical_, held_, injected_, repeats_;
    std::array<xcb_timestamp_t, 256> lastRelease_{};  // server time of each key's last release not ours
    std::deque<Injection> injections_;
    std::deque<RawPress> presses_;
    std::multiset<xcb_keycode_t> ownMappingChanges_;
    std::deque<xcb_generic_event_t*> deferred_;
    std::vector<std::function<void()>> layoutListeners_;
    std::unique_ptr<QSocketNotifier> notifier_;
    unsigned roundTrips_ = 0;
    unsigned roundTripsAtTrigger_ = 0, roundTripsToFirstKey_ = 0;
    bool triggerPending_ = false;
    bool trace_ = false;
    bool dispatchScheduled_ = false;
    bool layoutReloadScheduled_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace x11
