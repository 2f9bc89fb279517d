#pragma once
#include <memory>

#include "core/services/key_namer.h"
#include "platform/x11/x11_session.h"

namespace x11 {

// Names and codes of keys from the user's current layout.
class X11KeyNamer : public platform::KeyNamer {
public:
    explicit X11KeyNamer(std::shared_ptr<Session> session) : s_(std::move(session)) {}
    std::string name(int vk) override {
        return vk > 0 && vk < 256 ? s_->layout().name(static_cast<std::uint8_t>(vk)) : std::string();
    }
    int virtualKey(std::uint32_t keycode) override {
        return keycode < 256 ? s_->layout().virtualKey(static_cast<xcb_keycode_t>(keycode)) : 0;
    }

private:
    std::shared_ptr<Session> s_;
};

}  // namespace x11
