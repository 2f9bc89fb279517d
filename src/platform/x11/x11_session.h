#pragma once
// One connection to the X server for everything the program does with the
// keyboard: its hotkey grabs, its injected keys and its view of which keys are
// down. Requests on one connection are carried out in order, which is what
// keeps the program's own keys apart from the user's (see hotkey_router.h).
//
// The session reads the server's events and hands them on: the raw key
// events to its key ledger (key_ledger.h), which keeps which keys are down and
// whose they are; grabbed presses to the router; mapping changes to a reload
// of the layout. What to make of them is decided in those parts; the session
// only carries their requests to the server.

#include <xcb/xcb.h>
#include <xcb/xinput.h>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <QObject>

#include "platform/x11/devices.h"
#include "platform/x11/key_bits.h"
#include "platform/x11/key_ledger.h"
#include "platform/x11/keymap.h"
#include "platform/x11/layout.h"
#include "platform/x11/trigger_trace.h"

class QSocketNotifier;

namespace x11 {

class Session : public QObject {
public:
    // Nothing when the display cannot be opened or lacks XTest or XInput 2.2.
    static std::shared_ptr<Session> open(const char* displayName, std::string* error);
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    xcb_connection_t* connection() const { return c_; }
    xcb_window_t root() const { return root_; }
    xcb_input_device_id_t keyboard() const { return devices_.keyboard(); }
    const Keymap& keymap() const { return keymap_; }
    const Layout& layout() const { return layout_; }
    // Keycodes that carry no keysym at all, free to borrow.
    const std::vector<xcb_keycode_t>& spareKeycodes() const { return spare_; }

    // The key state (see KeyLedger): down for applications, held by the user,
    // down on the XTest device.
    const KeyBits& logical() const { return ledger_.logical(); }
    const KeyBits& held() const { return ledger_.held(); }
    const KeyBits& injected() const { return ledger_.injected(); }
    bool pressRepeats(xcb_keycode_t kc) const { return ledger_.pressRepeats(kc); }
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
    unsigned roundTrips() const { return trace_.roundTrips(); }
    // A trigger fired: the round trips until the first injected key are
    // counted, and written to the standard error when ZORVANE_TRACE asks for it,
    // with the time of each step on the way.
    void markTrigger() { trace_.trigger(); }
    void endTrigger() {
        if (trace_.endTrigger()) report();
    }
    void markStep(TriggerTrace::Step step) { trace_.mark(step); }
    // Round trips from the last trigger to its first injected key.
    unsigned roundTripsToFirstKey() const { return trace_.roundTripsToFirstKey(); }
    void countRoundTrip() {
        trace_.countRoundTrip();
        scheduleDispatch();
    }

    // The injector tells each key event it sends, with its request's sequence
    // number, so that the raw event it makes is known as the program's own.
    void noteInjection(unsigned sequence, xcb_keycode_t kc, bool press);
    // The injector is about to give a keycode a keysym of its own for a moment:
    // the mapping change that follows is no change of the user's layout.
    void noteOwnMappingChange(xcb_keycode_t kc) { ownMappingChanges_.insert(kc); }
    // Who pressed the key a grab has just delivered (keycode and server time).
    KeySource sourceOf(xcb_keycode_t kc, xcb_timestamp_t time) { return ledger_.sourceOf(kc, time); }

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
    void flush();
    // Key events sent between these go out together, at the end (see
    // X11KeyInjector::beginBatch).
    void beginBatch() { ++batching_; }
    void endBatch() {
        if (batching_ > 0 && --batching_ == 0) flush();
    }
    bool batching() const { return batching_ > 0; }
    // Sends what is buffered, or leaves it to the end of the batch being put
    // together: requests go out in the order they were made either way.
    void flushSoon() {
        if (!batching()) flush();
    }

private:
    Session(xcb_connection_t* c, std::uint8_t xinputOpcode);
    bool setUp(std::string* error);
    void findDevices();
    void seedKeyState();
    // Handles the raw key events xcb has read; returns the keys whose events
    // the server sent after the request numbered `since` was carried out.
    KeyBits readQueuedKeyEvents(unsigned since);
    void handle(xcb_generic_event_t* ev);
    void handleRaw(const xcb_input_raw_key_press_event_t& raw);
    void onMappingNotify(const xcb_mapping_notify_event_t& ev);
    // True when the layout means other keys than the one in use.
    bool reloadLayout();
    void scheduleDispatch();
    void report();

    xcb_connection_t* c_;
    xcb_window_t root_ = 0;
    std::uint8_t xinputOpcode_;
    Devices devices_;
    KeyLedger ledger_;
    Keymap keymap_;
    Layout layout_;
    std::vector<xcb_keycode_t> spare_;
    std::multiset<xcb_keycode_t> ownMappingChanges_;
    std::deque<xcb_generic_event_t*> deferred_;
    std::vector<std::function<void()>> layoutListeners_;
    std::unique_ptr<QSocketNotifier> notifier_;
    TriggerTrace trace_;
    int batching_ = 0;
    bool dispatchScheduled_ = false;
    bool layoutReloadScheduled_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace x11
