#pragma once
#include <memory>
#include <string>
#include <vector>
#include <xcb/xcb.h>

#include <QObject>

#include "platform/hotkey_endpoint.h"
#include "platform/x11/keymap.h"

class QSocketNotifier;

namespace x11 {

// A hotkey endpoint on an X connection of its own, watched by the Qt event
// loop. A chord is a set of passive grabs on the root window, one for every
// keycode of the key and every combination of NumLock and CapsLock; the X
// server refuses a grab that another client holds, and every endpoint is a
// client of its own, so a chord held by another program or another slot is
// refused.
//
// From a press of the chord until its key is released, the endpoint takes
// every press of that key, whatever the modifiers: while a playback releases
// and presses modifiers, the key's auto-repeat would otherwise reach the
// focused window as another shortcut (Ctrl+A from a held Ctrl+Alt+A).
class X11HotkeyEndpoint : public QObject, public platform::HotkeyEndpoint {
public:
    // Nothing when the display cannot be opened.
    static std::unique_ptr<X11HotkeyEndpoint> open(const char* displayName);
    ~X11HotkeyEndpoint() override;

    bool registerChord(int modKeyCode, int keyCode) override;
    void unregisterChord() override;

private:
    explicit X11HotkeyEndpoint(xcb_connection_t* c);
    void readEvents();
    void ungrabAll();
    void roundTrip();
    bool grabChord();
    void startTakingTheKey();
    void stopTakingTheKey();
    void selectRawReleases(bool on);
    bool isRawReleaseOfOurKey(const xcb_generic_event_t* ev) const;

    struct Masks {
        std::uint16_t alt = XCB_MOD_MASK_1, win = XCB_MOD_MASK_4, numLock = XCB_MOD_MASK_2;
    };
    Masks loadMasks(const Keymap& keymap);

    xcb_connection_t* c_;
    xcb_window_t root_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<xcb_keycode_t> keycodes_;
    std::uint16_t modifiers_ = 0;
    std::uint16_t lockMask_ = 0;
    bool takingTheKey_ = false;
    std::uint8_t xinputOpcode_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class X11HotkeyService : public platform::HotkeyService {
public:
    explicit X11HotkeyService(std::string displayName = {}) : display_(std::move(displayName)) {}
    std::unique_ptr<platform::HotkeyEndpoint> createEndpoint() override {
        return X11HotkeyEndpoint::open(display_.empty() ? nullptr : display_.c_str());
    }

private:
    std::string display_;
};

}  // namespace x11
