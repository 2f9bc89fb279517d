#pragma once
// The server's keyboard mapping as seen over one xcb connection.

#include <xcb/xcb.h>
#include <cstdint>
#include <vector>

#include "platform/x11/vk_keysym.h"

namespace x11 {

class Keymap {
public:
    Keymap() = default;
    // A map of `per` keysyms for each keycode from `min` on, for tests.
    Keymap(xcb_keycode_t min, int per, std::vector<Keysym> syms)
        : min_(min), max_(static_cast<xcb_keycode_t>(min + syms.size() / per - 1)), per_(per), syms_(std::move(syms)) {}

    // Fetches the current mapping; an empty map when the request fails.
    void load(xcb_connection_t* c);

    int keysymsPerKeycode() const { return per_; }
    xcb_keycode_t minKeycode() const { return min_; }
    xcb_keycode_t maxKeycode() const { return max_; }

    // The keysym in column `col` of a keycode; 0 outside the map.
    Keysym keysymAt(xcb_keycode_t kc, int col) const;

    // The first keycode that types the keysym unshifted (column 0); 0 when none.
    xcb_keycode_t keycodeUnshifted(Keysym ks) const;
    // The first keycode that carries the keysym in any column; 0 when none.
    xcb_keycode_t keycodeAnyColumn(Keysym ks) const;
    // Every keycode that types the keysym unshifted; when none does, every
    // keycode that types it at any level.
    std::vector<xcb_keycode_t> keycodesFor(Keysym ks) const;
    // Keycodes that carry no keysym at all, free to borrow.
    std::vector<xcb_keycode_t> spareKeycodes() const;

    bool operator==(const Keymap&) const = default;

private:
    xcb_keycode_t min_ = 0;
    xcb_keycode_t max_ = 0;
    int per_ = 0;
    std::vector<Keysym> syms_;
};

// True for a mapping-change event of the core protocol.
bool isMappingNotify(const xcb_generic_event_t* ev);

}  // namespace x11
