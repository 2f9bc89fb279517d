#pragma once
// The program's own keyboard on a wlroots compositor: a virtual keyboard
// (zwp_virtual_keyboard_v1) on the user's seat, with the user's keymap, which
// the program's wl_keyboard hears of. The compositor keeps a modifier state
// for each keyboard, and applications get the state of the keyboard a key
// came from: a target typed here arrives exactly as typed, whatever the user
// holds on their own keyboard, so the user's keys are never touched.

#include <xkbcommon/xkbcommon.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include <QObject>

#include "core/diag/result.h"
#include "platform/wlroots/xkb_keys.h"

class QSocketNotifier;
struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_keyboard;
struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;
struct wl_registry_listener;
struct wl_seat_listener;
struct wl_keyboard_listener;

namespace wlroots {

class WaylandKeyboard : public QObject {
public:
    // Connects to $WAYLAND_DISPLAY and makes the keyboard; nothing, and why,
    // when the compositor offers no virtual keyboards.
    static Expected<std::shared_ptr<WaylandKeyboard>> open();
    ~WaylandKeyboard() override;
    WaylandKeyboard(const WaylandKeyboard&) = delete;
    WaylandKeyboard& operator=(const WaylandKeyboard&) = delete;

    const XkbKeys& keys() const { return *keys_; }
    // A key of this keyboard goes down or up (an X keycode: evdev's + 8); the
    // modifier state follows it. Sent when flushed.
    void key(xkb_keycode_t keycode, bool down);
    // sway's modifier bits that this keyboard holds now.
    std::uint32_t modifiers() const;
    void flush();
    // Returns once the compositor has handled every request sent so far.
    void roundTrip();

    // Where the keymap came from, for the log.
    const std::string& keymapOrigin() const { return origin_; }

private:
    WaylandKeyboard() = default;
    Result connect();
    void dispatch();
    void takeKeymap(int fd, std::uint32_t size);
    void useKeymap(xkb_keymap* keymap, std::string text);
    void sendModifiers();

    static const ::wl_registry_listener kRegistry;
    static const ::wl_seat_listener kSeat;
    static const ::wl_keyboard_listener kKeyboard;

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    wl_keyboard* keyboard_ = nullptr;
    zwp_virtual_keyboard_manager_v1* manager_ = nullptr;
    zwp_virtual_keyboard_v1* virtual_ = nullptr;
    xkb_context* context_ = nullptr;
    xkb_state* state_ = nullptr;
    std::unique_ptr<XkbKeys> keys_;
    std::string keymapText_;     // as uploaded
    std::string waitingKeymap_;  // a new keymap, taken once no key of ours is down
    std::set<xkb_keycode_t> down_;
    std::string origin_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace wlroots
