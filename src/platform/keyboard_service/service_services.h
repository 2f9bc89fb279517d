#pragma once
// The route through the keyboard service: its hits are the triggers, and
// targets are typed on its virtual keyboard, below the compositor, where the
// user's own keys pass too. The service knows which keys the user holds
// exactly, and holds back the user's releases that a target relies on.

#include <map>
#include <memory>

#include "core/services/hotkey_endpoint.h"
#include "core/services/key_injector.h"
#include "core/services/key_namer.h"
#include "core/services/keyboard_state.h"
#include "platform/keyboard_service/evdev_keys.h"
#include "platform/keyboard_service/service_link.h"
#include "platform/services.h"

namespace keyservice {

struct Shared {
    std::shared_ptr<ServiceLink> link;
    EvdevKeys keys;
};

class ServiceInjector : public platform::KeyInjector {
public:
    explicit ServiceInjector(std::shared_ptr<Shared> s) : s_(std::move(s)) {}
    bool keyDown(std::uint8_t vk) override;
    void keyUp(std::uint8_t vk) override;
    void maskTap() override;
    void beginBatch() override { s_->link->beginBatch(); }
    void endBatch() override { s_->link->endBatch(); }
    void settle() override;

private:
    bool send(keylink::Kind kind, int code);
    std::shared_ptr<Shared> s_;
};

class ServiceKeyboardState : public platform::KeyboardState {
public:
    explicit ServiceKeyboardState(std::shared_ptr<Shared> s) : s_(std::move(s)) {}
    platform::KeySet logicalDown() override { return state().first; }
    platform::KeySet physicalDown() override { return state().second; }
    void sync() override { state(); }
    std::optional<platform::KeySet> holdReleases(const platform::KeySet& keys) override;
    History history(std::uint8_t vk) override;

private:
    std::pair<platform::KeySet, platform::KeySet> state();
    std::shared_ptr<Shared> s_;
};

// Names and codes of keys from the layout the service's keys are found in.
class LayoutKeyNamer : public platform::KeyNamer {
public:
    explicit LayoutKeyNamer(std::shared_ptr<Shared> s) : s_(std::move(s)) {}
    std::string name(int vk) override {
        return vk > 0 && vk < 256 ? s_->keys.layout().name(static_cast<std::uint8_t>(vk)) : std::string();
    }
    int virtualKey(std::uint32_t keycode) override {
        return keycode < 256 ? s_->keys.layout().virtualKey(static_cast<xcb_keycode_t>(keycode)) : 0;
    }

private:
    std::shared_ptr<Shared> s_;
};

class ServiceHotkeyService : public platform::HotkeyService {
public:
    explicit ServiceHotkeyService(std::shared_ptr<Shared> s);
    std::unique_ptr<platform::HotkeyEndpoint> createEndpoint() override;

private:
    class Endpoint;
    std::shared_ptr<Shared> s_;
    std::shared_ptr<std::map<int, Endpoint*>> endpoints_;
    int lastId_ = 0;
};

// The services over a link, with the layout the keys are found in; the
// hotkeys are plain ServiceHotkeyService unless given.
platform::OwnedServices ServicesOver(const std::shared_ptr<Shared>& shared,
                                     std::unique_ptr<platform::HotkeyService> hotkeys = nullptr);

}  // namespace keyservice
