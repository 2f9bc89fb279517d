#include "platform/keyboard_service/service_services.h"

#include <utility>
#include <vector>

#include "core/keys/virtual_keys.h"

namespace keyservice {

namespace {

keylink::Message message(keylink::Kind kind, int code = 0) {
    keylink::Message m;
    m.kind = kind;
    m.code = code;
    return m;
}

// The chord mask's bits are the service's modifier bits too.
int modsOf(mod::Mask mask) { return static_cast<int>(mask.bits()) & 15; }

}  // namespace

bool ServiceInjector::send(keylink::Kind kind, int code) {
    if (code == 0) return false;
    s_->link->send(message(kind, code));
    return true;
}

bool ServiceInjector::keyDown(std::uint8_t vk) { return send(keylink::Kind::Down, s_->keys.code(vk)); }
void ServiceInjector::keyUp(std::uint8_t vk) { send(keylink::Kind::Up, s_->keys.code(vk)); }
void ServiceInjector::maskTap() { send(keylink::Kind::Tap, s_->keys.maskCode()); }
void ServiceInjector::settle() { (void)s_->link->ask(message(keylink::Kind::Sync), keylink::Kind::State); }

std::pair<platform::KeySet, platform::KeySet> ServiceKeyboardState::state() {
    const auto answer = s_->link->ask(message(keylink::Kind::Sync), keylink::Kind::State);
    if (!answer) return {};
    return {s_->keys.keysOf(answer->keys), s_->keys.keysOf(answer->held)};
}

std::optional<platform::KeySet> ServiceKeyboardState::holdReleases(const platform::KeySet& keys) {
    keylink::Message hold = message(keylink::Kind::Hold);
    hold.keys = s_->keys.codesOf(keys);
    const auto answer = s_->link->ask(hold, keylink::Kind::Holding);
    if (!answer) return std::nullopt;
    return s_->keys.keysOf(answer->keys);
}

platform::KeyboardState::History ServiceKeyboardState::history(std::uint8_t vk) {
    // A generic Shift, Ctrl or Alt is either side.
    std::vector<std::uint8_t> keys{vk};
    if (vk::Sided(vk) != vk) {
        keys.clear();
        for (const std::uint8_t side : vk::SidedModifiers)
            if (mod::Mask::of(side) == mod::Mask::of(vk)) keys.push_back(side);
    }
    History sum;
    for (const std::uint8_t key : keys)
        if (const int code = s_->keys.code(key))
            if (const auto seen = s_->link->ask(message(keylink::Kind::History, code), keylink::Kind::Seen))
                sum.presses += seen->presses, sum.releases += seen->releases;
    return sum;
}

class ServiceHotkeyService::Endpoint : public platform::HotkeyEndpoint {
public:
    Endpoint(std::shared_ptr<Shared> s, std::shared_ptr<std::map<int, Endpoint*>> all, int id)
        : s_(std::move(s)), all_(std::move(all)), id_(id) {
        (*all_)[id_] = this;
    }
    ~Endpoint() override {
        unregisterChord();
        all_->erase(id_);
    }
    platform::Claim registerChord(mod::Mask modKeyCode, int keyCode) override {
        unregisterChord();
        const int code = keyCode > 0 && keyCode < 256 ? s_->keys.code(static_cast<std::uint8_t>(keyCode)) : 0;
        if (code == 0 || mod::Mask::of(static_cast<std::uint8_t>(keyCode)))
            return platform::Claim::refused("the keyboard layout has no such key");
        keylink::Message take = message(keylink::Kind::Take, code);
        take.number = id_;
        take.mods = modsOf(modKeyCode);
        const auto answer = s_->link->ask(take, keylink::Kind::Took);
        if (!answer) return platform::Claim::refused("the keyboard service did not answer");
        if (answer->kind == keylink::Kind::Taken) return platform::Claim::taken();
        registered_ = true;
        return platform::Claim::granted();
    }
    void unregisterChord() override {
        if (!registered_) return;
        registered_ = false;
        keylink::Message drop = message(keylink::Kind::Drop);
        drop.number = id_;
        s_->link->send(drop);
    }
    void hit(bool repeat) {
        if (registered_ && onPressed) onPressed(repeat);
    }

private:
    std::shared_ptr<Shared> s_;
    std::shared_ptr<std::map<int, Endpoint*>> all_;
    int id_;
    bool registered_ = false;
};

ServiceHotkeyService::ServiceHotkeyService(std::shared_ptr<Shared> s)
    : s_(std::move(s)), endpoints_(std::make_shared<std::map<int, Endpoint*>>()) {
    std::weak_ptr<std::map<int, Endpoint*>> endpoints = endpoints_;
    s_->link->onHit = [endpoints](int id, bool repeat) {
        const auto all = endpoints.lock();
        if (!all) return;
        if (const auto it = all->find(id); it != all->end()) it->second->hit(repeat);
    };
}

std::unique_ptr<platform::HotkeyEndpoint> ServiceHotkeyService::createEndpoint() {
    // Ids are not reused while the link lasts, so a late hit never reaches a new endpoint.
    if (lastId_ >= keylink::kMaxChordId) return nullptr;
    return std::make_unique<Endpoint>(s_, endpoints_, ++lastId_);
}

platform::OwnedServices ServicesOver(const std::shared_ptr<Shared>& shared,
                                     std::unique_ptr<platform::HotkeyService> hotkeys) {
    if (!hotkeys) hotkeys = std::make_unique<ServiceHotkeyService>(shared);
    if (shared->keys.maskCode()) shared->link->send(message(keylink::Kind::Mask, shared->keys.maskCode()));
    return platform::OwnedServices{.injector = std::make_unique<ServiceInjector>(shared),
                                   .hotkeys = std::move(hotkeys),
                                   .keyboard = std::make_unique<ServiceKeyboardState>(shared),
                                   .keyNamer = std::make_unique<LayoutKeyNamer>(shared)};
}

}  // namespace keyservice
