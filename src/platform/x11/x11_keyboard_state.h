#pragma once
#include <memory>
#include <set>
#include <xcb/xcb.h>

#include "platform/keyboard_state.h"

namespace x11 {

// Which keys are down on an X server. Logical: the core keyboard's state, as
// applications see it. Physical: the state of every slave keyboard but the
// XTEST one, which carries injected keys (XInput device state).
class X11KeyboardState : public platform::KeyboardState {
public:
    // Nothing when the display cannot be opened or has no XInput 2.
    static std::unique_ptr<X11KeyboardState> open(const char* displayName);
    ~X11KeyboardState() override;

    platform::KeySet logicalDown() override;
    platform::KeySet physicalDown() override;

private:
    explicit X11KeyboardState(xcb_connection_t* c);
    platform::KeySet toVks(const std::uint8_t (&keys)[32]);

    xcb_connection_t* c_;
    xcb_atom_t xtestAtom_ = XCB_ATOM_NONE;
    std::set<std::uint16_t> opened_;
};

}  // namespace x11
