#pragma once
#include <xcb/xcb.h>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "core/services/key_injector.h"
#include "platform/x11/x11_session.h"

class QTimer;

namespace x11 {

// Key injection through the XTest extension, on the session's connection, so
// that injected keys and the program's grabs reach the server in the order
// they are sent. A virtual-key code is typed with the keycode the layout
// gives it; a key the layout lacks is typed through a spare keycode, mapped
// to the key's keysym while it is down and given back shortly after.
class X11KeyInjector : public platform::KeyInjector {
public:
    explicit X11KeyInjector(std::shared_ptr<Session> session);
    // An injector with a session of its own; nothing when the display cannot
    // be opened or lacks what is needed, and `error` says why.
    static std::unique_ptr<X11KeyInjector> open(const char* displayName, std::string* error);
    ~X11KeyInjector() override;

    bool keyDown(std::uint8_t vk) override;
    void keyUp(std::uint8_t vk) override;
    // The server drops a press of a key that is down for applications, so the
    // press goes out as it is: only if the user let go of the key meanwhile
    // does it take effect.
    void ensureDown(std::uint8_t vk) override;
    // A press and release of a keycode that carries no keysym: applications see
    // a key event, so a modifier released around it is no lone tap, and nothing types.
    void maskTap() override;
    // The server takes the whole batch in one go, and the focused window gets
    // its keys at once rather than one wake-up at a time.
    void beginBatch() override { s_->beginBatch(); }
    void endBatch() override { s_->endBatch(); }
    void settle() override { s_->sync(); }

    // Gives every borrowed spare keycode back its empty mapping now.
    void restoreSpareKeys();

    Session& session() { return *s_; }

    // How long a borrowed keycode keeps its keysym after its release, so that
    // clients that read the mapping when they handle the event still see it.
    static constexpr int kRestoreDelayMs = 200;

private:
    xcb_keycode_t borrow(std::uint8_t vk);
    // `freshPress`: a press that must take effect, so a key left down on the
    // injection device is let go of there first.
    void fake(std::uint8_t type, xcb_keycode_t kc, bool freshPress = true);
    void mapSpare(xcb_keycode_t kc, Keysym ks);
    bool isHeld(xcb_keycode_t kc) const;

    std::shared_ptr<Session> s_;
    std::map<std::uint8_t, xcb_keycode_t> borrowed_;  // vk -> spare keycode, while down
    std::set<xcb_keycode_t> borrowedOnce_;            // spare keycodes we have mapped
    std::set<xcb_keycode_t> pressed_;                 // keys this injector pressed and has not released
    std::unique_ptr<QTimer> restoreTimer_;
};

}  // namespace x11
