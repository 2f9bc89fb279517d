#pragma once
#include <memory>
#include <string>

#include "core/services/hotkey_endpoint.h"
#include "platform/x11/hotkey_router.h"

namespace x11 {

// A control's hotkey: a chord claimed through the session's router.
class X11HotkeyEndpoint : public platform::HotkeyEndpoint {
public:
    explicit X11HotkeyEndpoint(std::shared_ptr<HotkeyRouter> router) : router_(std::move(router)) {}
    ~X11HotkeyEndpoint() override { unregisterChord(); }

    platform::Claim registerChord(mod::Mask modKeyCode, int keyCode) override;
    void unregisterChord() override { router_->release(this); }

private:
    std::shared_ptr<HotkeyRouter> router_;
};

class X11HotkeyService : public platform::HotkeyService {
public:
    // takeHeldKey false: a held chord's key repeats as it will (only to compare with).
    explicit X11HotkeyService(std::shared_ptr<Session> session, bool takeHeldKey = true)
        : router_(std::make_shared<HotkeyRouter>(std::move(session), takeHeldKey)) {}
    std::unique_ptr<platform::HotkeyEndpoint> createEndpoint() override {
        return std::make_unique<X11HotkeyEndpoint>(router_);
    }
    void setHeldModifiers(mod::Mask held, mod::Mask letGo) override { router_->setHeldModifiers(held, letGo); }
    const HotkeyRouter& router() const { return *router_; }

private:
    std::shared_ptr<HotkeyRouter> router_;
};

}  // namespace x11
