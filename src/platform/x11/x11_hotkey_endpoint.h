#pragma once
#include <memory>
#include <string>
#include <vector>
#include <xcb/xcb.h>

#include <QObject>

#include "platform/hotkey_endpoint.h"
#include "platform/x11/keymap.h"

class QSocketNotifier;
class QTimer;

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
    static std::unique_ptr<X11HotkeyEndpoint> open(const char* displayName, bool takeHeldKey = true);
    ~X11HotkeyEndpoint() override;

    bool registerChord(int modKeyCode, int keyCode) override;
    void unregisterChord() override;
    void setHeldModifiers(int modKeyCode) override;
    void setInjecting(bool injecting) override;

private:
    X11HotkeyEndpoint(xcb_connection_t* c, bool takeHeldKey);
    void readEvents();
    void ungrabAll();
    void roundTrip();
    bool grabChord();
    std::vector<std::uint16_t> lockVariants(std::uint16_t mods) const;
    bool grabVariants(std::uint16_t mods);
    void ungrabVariants(std::uint16_t mods);
    std::uint16_t xModifiers(int modKeyCode) const;
    bool matchesChord(std::uint16_t state) const;
    void startTakingTheKey();
    void stopTakingTheKey();
    bool grabAnyModifier();
    void ungrabAnyModifier();
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
    Masks masks_;
    std::uint16_t heldExtra_ = 0;  // modifiers a playback holds, grabbed in addition
    bool takeHeldKey_;
    bool takingTheKey_ = false;
    bool paused_ = false;  // taking, but the program's own presses go through
    // Auto-repeat may come as release-and-press pairs: the key counts as let go
    // only when no press follows its release within this time.
    static constexpr int kReleaseSettleMs = 30;
    std::unique_ptr<QTimer> releaseSettle_;
    std::uint8_t xinputOpcode_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class X11HotkeyService : public platform::HotkeyService {
public:
    // takeHeldKey false: a held chord's key repeats as it will (only to compare with).
    explicit X11HotkeyService(std::string displayName = {}, bool takeHeldKey = true)
        : display_(std::move(displayName)), takeHeldKey_(takeHeldKey) {}
    std::unique_ptr<platform::HotkeyEndpoint> createEndpoint() override {
        return X11HotkeyEndpoint::open(display_.empty() ? nullptr : display_.c_str(), takeHeldKey_);
    }

private:
    std::string display_;
    bool takeHeldKey_;
};

}  // namespace x11
