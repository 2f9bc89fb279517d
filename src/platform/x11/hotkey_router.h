#pragma once
// The program's hotkeys on X, all on the session's one connection.
//
// A chord is claimed with core key grabs (so that the server refuses it to
// other clients, and refuses us a chord another client holds) and caught with
// XInput2 passive grabs on the master keyboard, added after the claims so that
// the server tries them first. The XInput2 grabs freeze the keyboard when they
// catch a press, and each press tells where it came from:
//   - the program's own injected key (a target that is, or contains, a chord's
//     key) goes on to the focused window, replayed as if no grab of ours were there;
//   - a user's press of a chord fires it: the grab lets go, the keyboard runs
//     on, the keys it held back meanwhile are read, and only then does the
//     playback decide what to type.
// The program's own keys are known by their order on the XTest device, not
// by when they come: a grab can hold them back too.
// From a chord's press until its key is let go, every press of that key is
// caught whatever the modifiers (repeat_guard.h); the program's own presses
// of the key are still replayed. Since nothing but a press from elsewhere is
// ever taken, no timing of the user's keys against the program's can lose a key.
//
// The decisions are made by parts that make no requests: which chord a
// press is (chord_table.h), which grabs should exist (grab_set.h), whose a
// key is (key_ledger.h), when a held key is let go (repeat_guard.h). The
// router carries them out to the server.

#include <xcb/xcb.h>
#include <xcb/xinput.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QObject>

#include "core/services/hotkey_endpoint.h"
#include "platform/x11/chord_table.h"
#include "platform/x11/grab_set.h"
#include "platform/x11/repeat_guard.h"
#include "platform/x11/x11_session.h"

class QTimer;

namespace x11 {

class HotkeyRouter : public QObject {
public:
    // takeHeldKey false: a held chord's key repeats as it will (only to compare with).
    HotkeyRouter(std::shared_ptr<Session> session, bool takeHeldKey = true);
    ~HotkeyRouter() override;

    using Owner = x11::Owner;
    // Taken: by another program or another of ours.
    platform::Claim claim(Owner owner, mod::Mask modKeyCode, int keyCode, std::function<void(bool repeat)> onPressed,
                          std::function<void(platform::Loss reason, const std::string& why)> onLost);
    void release(Owner owner);
    // Modifiers (chord masks) that the program's playbacks hold down now, and
    // that they have let go of though the user may hold them: a chord pressed
    // meanwhile comes with the first added and without the second, and still counts.
    void setHeldModifiers(mod::Mask held, mod::Mask letGo);

private:
    bool claimOnServer(const Chord& chord);
    void unclaimOnServer(const Chord& chord);
    void applyGrabs(xcb_keycode_t kc);
    void grabXi(xcb_keycode_t kc, const GrabMods& mods);
    void ungrabXi(xcb_keycode_t kc, const GrabMods& mods);
    // X modifier bits of the modifier keys the user holds.
    std::uint16_t userModifiers() const;
    const Chord* match(xcb_keycode_t kc, std::uint16_t state) const;

    void onGrabbedPress(const xcb_input_key_press_event_t& e);
    void onCoreGrabbedPress(const xcb_key_press_event_t& e);
    // `repeat`: the server flagged the press as its auto-repeat.
    void firePress(xcb_keycode_t kc, std::uint16_t state, bool grabIsActive, bool repeat);
    void startTaking(xcb_keycode_t kc);
    void stopTaking(xcb_keycode_t kc);
    void onUserKey(xcb_keycode_t kc, bool press, bool unseen);
    void fireUnseenPress(xcb_keycode_t kc);
    void armLetGo();
    void onLetGo();
    void onLayoutChanged();

    std::shared_ptr<Session> s_;
    bool takeHeldKey_;
    ChordTable chords_;
    GrabSet grabs_;
    RepeatGuard guard_;
    std::unique_ptr<QTimer> letGo_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace x11
