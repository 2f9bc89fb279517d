#pragma once
#include <memory>

#include "core/services/keyboard_state.h"
#include "platform/x11/x11_session.h"

namespace x11 {

// Which keys are down, as the session follows them from the server's raw key
// events: logical, as applications see them; physical, held by the user on a
// keyboard or through another program's injected keys, not by this program.
class X11KeyboardState : public platform::KeyboardState {
public:
    explicit X11KeyboardState(std::shared_ptr<Session> session) : s_(std::move(session)) {}

    platform::KeySet logicalDown() override { return toVks(s_->logical()); }
    platform::KeySet physicalDown() override { return toVks(s_->held()); }
    void sync() override { s_->sync(); }
    void reconcile() override { s_->reconcile(); }

private:
    platform::KeySet toVks(const KeyBits& keys) const {
        platform::KeySet set;
        for (int kc = 8; kc < 256; ++kc)
            if (keys[kc])
                if (const std::uint8_t vk = s_->layout().sidedVirtualKey(static_cast<xcb_keycode_t>(kc))) set.set(vk);
        return set;
    }

    std::shared_ptr<Session> s_;
};

}  // namespace x11
