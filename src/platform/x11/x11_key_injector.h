#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <memory>
#include <string>
#include <xcb/xcb.h>

#include "platform/key_injector.h"
#include "platform/x11/keymap.h"

class QTimer;

namespace x11 {

// Key injection through the XTest extension on a connection of its own.
// A virtual-key code becomes its keysym and the keycode that types that keysym
// unshifted in the current mapping. A keysym the mapping lacks at that level
// is typed through a spare keycode, mapped to it while the key is down and
// given back shortly after its release.
class X11KeyInjector : public platform::KeyInjector {
public:
    // Nothing when the display cannot be opened or has no XTest; `error` says why.
    static std::unique_ptr<X11KeyInjector> open(const char* displayName, std::string* error);
    ~X11KeyInjector() override;

    void keyDown(std::uint8_t vk) override;
    void keyUp(std::uint8_t vk) override;
    // A press and release of a key that carries no keysym: applications see a
    // key event, so a modifier released around it is no lone tap, and nothing types.
    void maskTap() override;

    // Gives every borrowed spare keycode back its empty mapping now.
    void restoreSpareKeys();

    // How long a borrowed keycode keeps its keysym after its release, so that
    // clients that read the mapping when they handle the event still see it.
    static constexpr int kRestoreDelayMs = 200;

private:
    X11KeyInjector(xcb_connection_t* c, xcb_window_t root);
    void refreshMappingIfChanged();
    xcb_keycode_t keycodeForDown(std::uint8_t vk);
    void fake(std::uint8_t type, xcb_keycode_t kc);
    void mapSpare(xcb_keycode_t kc, Keysym ks);
    bool isHeld(xcb_keycode_t kc) const;

    xcb_connection_t* c_;
    xcb_window_t root_;
    Keymap keymap_;
    std::map<std::uint8_t, xcb_keycode_t> borrowed_;   // vk -> spare keycode, while down
    std::set<xcb_keycode_t> borrowedOnce_;              // spare keycodes we have mapped
    std::set<xcb_keycode_t> pressed_;                   // keys this injector pressed and has not released
    std::unique_ptr<QTimer> restoreTimer_;
};

}  // namespace x11
