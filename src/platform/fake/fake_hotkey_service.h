#pragma once
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "core/keys/virtual_keys.h"
#include "core/services/hotkey_endpoint.h"

namespace platform {

// A system of hotkeys in memory, for tests: a chord belongs to one endpoint at
// a time, and `press` notifies whichever endpoint holds it.
class FakeHotkeyService : public HotkeyService {
public:
    using Chord = std::pair<int, int>;  // modifier mask as stored, key code

    class Endpoint : public HotkeyEndpoint {
    public:
        explicit Endpoint(FakeHotkeyService& s) : service_(s) {}
        ~Endpoint() override { unregisterChord(); }
        Claim registerChord(mod::Mask mods, int vk) override {
            ++registerCalls;
            const Chord chord{mods.bits(), vk};
            if (service_.taken_.count(chord)) return Claim::taken();
            unregisterChord();
            service_.taken_[chord] = this;
            held_ = chord;
            return Claim::granted();
        }
        void unregisterChord() override {
            ++unregisterCalls;
            if (held_) service_.taken_.erase(*held_);
            held_.reset();
        }
        int registerCalls = 0;
        int unregisterCalls = 0;

    private:
        FakeHotkeyService& service_;
        std::optional<Chord> held_;
    };

    std::unique_ptr<HotkeyEndpoint> createEndpoint() override {
        auto e = std::make_unique<Endpoint>(*this);
        lastEndpoint = e.get();
        return e;
    }

    // Another program holding a chord.
    void takeByOtherProgram(mod::Mask mods, int vk) { taken_[{mods.bits(), vk}] = nullptr; }

    bool press(mod::Mask mods, int vk, bool repeat = false) {
        const auto it = taken_.find({mods.bits(), vk});
        if (it == taken_.end() || !it->second || !it->second->onPressed) return false;
        it->second->onPressed(repeat);
        return true;
    }

    bool isTaken(mod::Mask mods, int vk) const { return taken_.count({mods.bits(), vk}) != 0; }

    // The system takes a held chord from its endpoint: another program has it
    // now, or its key left the layout. False when no endpoint held it.
    bool takeAway(mod::Mask mods, int vk, Loss reason) {
        const auto it = taken_.find({mods.bits(), vk});
        if (it == taken_.end() || !it->second) return false;
        Endpoint* loser = it->second;
        loser->unregisterChord();
        if (reason == Loss::Taken) takeByOtherProgram(mods, vk);
        if (loser->onLost)
            loser->onLost(reason, reason == Loss::Taken ? "another program registered it" : "the key left the layout");
        return true;
    }

    Endpoint* lastEndpoint = nullptr;

private:
    std::map<Chord, Endpoint*> taken_;
};

}  // namespace platform
