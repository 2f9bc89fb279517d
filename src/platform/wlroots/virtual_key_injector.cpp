#include "platform/wlroots/virtual_key_injector.h"

namespace wlroots {

bool VirtualKeyInjector::keyDown(std::uint8_t vk) {
    const xcb_keycode_t kc = keyboard_->keys().layout().keycodeToType(vk);
    if (kc == 0) return false;
    bindings_->typeOwnKey(kc, true);
    if (batch_ == 0) keyboard_->flush();
    return true;
}

void VirtualKeyInjector::keyUp(std::uint8_t vk) {
    const xcb_keycode_t kc = keyboard_->keys().layout().keycodeToType(vk);
    if (kc == 0) return;
    bindings_->typeOwnKey(kc, false);
    if (batch_ == 0) keyboard_->flush();
}

void VirtualKeyInjector::endBatch() {
    if (batch_ > 0 && --batch_ == 0) keyboard_->flush();
}

std::string XkbKeyNamer::name(int vk) {
    return vk > 0 && vk < 256 ? keyboard_->keys().layout().name(static_cast<std::uint8_t>(vk)) : std::string();
}

int XkbKeyNamer::virtualKey(std::uint32_t keycode) {
    return keycode < 256 ? keyboard_->keys().layout().virtualKey(static_cast<xcb_keycode_t>(keycode)) : 0;
}

}  // namespace wlroots
