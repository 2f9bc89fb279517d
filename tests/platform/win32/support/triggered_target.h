#pragma once
// The program's path from a trigger to its target, as the program wires it:
// its slot table, over a recording view, with one live slot on the real backend.

#include <memory>
#include <string>

#include "core/slots/slot_table.h"
#include "platform/win32/own_keys.h"
#include "platform/win32/win32_hotkey_endpoint.h"
#include "platform/win32/win32_key_injector.h"
#include "platform/win32/win32_keyboard_state.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace wintest {

struct TriggeredTarget {
    TriggeredTarget(const playback::HoldFn& hold, mod::Mask mods, std::uint8_t key, std::string action)
        : service(ownKeys), own(ownKeys), state(win32::Win32KeyboardState::create()) {
        if (!state) return;
        const platform::Services services{.injector = &own, .hotkeys = &service, .keyboard = state.get()};
        view = std::make_unique<RecordingView>(services);
        table = std::make_unique<app::SlotTable>(*view, services, app::SettingsFile(folder.file("set.ini")),
                                                 [this, hold](int ms) {
                                                     ++played;
                                                     hold(ms);
                                                 });
        table->load();
        table->storeTarget(0, {action, action});
        live = view->makeLive(*table, 1, mods, key);
    }
    bool ok() const { return live; }

    std::shared_ptr<win32::OwnKeys> ownKeys = std::make_shared<win32::OwnKeys>();
    win32::Win32HotkeyService service;
    win32::Win32KeyInjector own;
    std::unique_ptr<win32::Win32KeyboardState> state;
    TempDir folder;  // the settings file's
    std::unique_ptr<RecordingView> view;
    std::unique_ptr<app::SlotTable> table;
    bool live = false;
    int played = 0;  // playbacks, counted as each holds its keys
};

}  // namespace wintest
