#pragma once
// Targets typed on the program's own virtual keyboard, and keys named by the
// user's keymap. Only the target's keys go down and up: the keyboard's own
// modifier state keeps the target exact while the user holds the trigger, so
// nothing of the user's is let go of or pressed again, and no mask tap is needed.

#include <memory>

#include "core/services/key_injector.h"
#include "core/services/key_namer.h"
#include "platform/wlroots/sway_bindings.h"
#include "platform/wlroots/wayland_keyboard.h"

namespace wlroots {

class VirtualKeyInjector : public platform::KeyInjector {
public:
    VirtualKeyInjector(std::shared_ptr<WaylandKeyboard> keyboard, std::shared_ptr<SwayBindings> bindings)
        : keyboard_(std::move(keyboard)), bindings_(std::move(bindings)) {}
    bool keyDown(std::uint8_t vk) override;
    void keyUp(std::uint8_t vk) override;
    void beginBatch() override { ++batch_; }
    void endBatch() override;
    // The compositor has the keys, so a hold is timed from when the window gets them.
    void settle() override { keyboard_->roundTrip(); }

private:
    std::shared_ptr<WaylandKeyboard> keyboard_;
    std::shared_ptr<SwayBindings> bindings_;
    int batch_ = 0;
};

class XkbKeyNamer : public platform::KeyNamer {
public:
    explicit XkbKeyNamer(std::shared_ptr<WaylandKeyboard> keyboard) : keyboard_(std::move(keyboard)) {}
    std::string name(int vk) override;
    // Key events of the program's own windows carry X keycodes (Xwayland's,
    // or Wayland's keycode + 8), which the keymap numbers alike.
    int virtualKey(std::uint32_t keycode) override;

private:
    std::shared_ptr<WaylandKeyboard> keyboard_;
};

}  // namespace wlroots
