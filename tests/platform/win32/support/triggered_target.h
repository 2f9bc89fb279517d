#pragma once
// The program's path from a trigger to its target, as the program wires it:
// one chord whose target plays through the Player on the real backend.

#include <memory>
#include <string>

#include "core/playback/player.h"
#include "platform/win32/own_keys.h"
#include "platform/win32/win32_hotkey_endpoint.h"
#include "platform/win32/win32_key_injector.h"
#include "platform/win32/win32_keyboard_state.h"

namespace wintest {

struct TriggeredTarget {
    TriggeredTarget(const playback::HoldFn& hold, mod::Mask mods, std::uint8_t key, std::string action)
        : service(ownKeys),
          own(ownKeys),
          state(win32::Win32KeyboardState::create()),
          trigger(service.createEndpoint()) {
        if (!state || !trigger || !trigger->registerChord(mods, key)) return;
        player = std::make_unique<playback::Player>(own, state.get(), hold);
        player->onHeldModifiers = [this](mod::Mask held, mod::Mask letGo) { service.setHeldModifiers(held, letGo); };
        trigger->onPressed = [this, action](bool) {
            player->play(action);
            ++played;
        };
    }
    bool ok() const { return player != nullptr; }

    std::shared_ptr<win32::OwnKeys> ownKeys = std::make_shared<win32::OwnKeys>();
    win32::Win32HotkeyService service;
    win32::Win32KeyInjector own;
    std::unique_ptr<win32::Win32KeyboardState> state;
    std::unique_ptr<platform::HotkeyEndpoint> trigger;
    std::unique_ptr<playback::Player> player;
    int played = 0;
};

}  // namespace wintest
