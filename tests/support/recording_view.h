#pragma once
// A main window that only records what the slot table asks of it, over
// hotkey controls of its own: for driving a real SlotTable without a toolkit.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/slots/slot_table.h"

// Where the controls keep their chords: one line "save n" for each slot's
// save, and the failing slot's first value refused. Nothing is written.
struct RecordingChords : hotkey::ChordStore {
    explicit RecordingChords(std::vector<std::string>& log) : log(log) {}
    std::string read(const std::string&, const std::string& fallback) override { return fallback; }
    Result write(const std::string& key, const std::string&) override {
        if (!key.ends_with("Text")) return Result::success();
        const std::string n = key.substr(7, key.size() - 11);  // "Zorvane" n "Text"
        log.push_back("save " + n);
        return n == std::to_string(failingSlot) ? Result::failure("disk full") : Result::success();
    }
    std::vector<std::string>& log;
    int failingSlot = 0;
};

struct RecordingView : app::SlotTable::View {
    // The controls take their endpoints from the services' hotkey service.
    explicit RecordingView(const platform::Services& services) {
        for (int n = 1; n <= app::SlotTable::kSlots; ++n) {
            auto& c = controls[n - 1];
            c = std::make_unique<hotkey::ControlLogic>(
                [this](const std::string& t, const std::string& m) { log.push_back("alert " + t + ": " + m); },
                services);
            c->connect(&chords, app::SlotTable::ControlName(n));
            c->onShow = [this, n] {
                log.push_back("chord " + std::to_string(n) + " " + controls[n - 1]->capture().text());
            };
        }
    }
    hotkey::ControlLogic& control(int n) override { return *controls[n - 1]; }
    void showTarget(int i, const app::SlotTable::Target& t) override {
        log.push_back("show " + std::to_string(i) + " " + t.text + " " + t.action);
    }
    void setChecked(int n, bool on) override { log.push_back("box " + std::to_string(n) + (on ? " on" : " off")); }
    void alert(const std::string& title, const std::string& text) override {
        log.push_back("alert " + title + ": " + text.substr(0, text.find('\n')));
    }
    void quit() override { log.push_back("quit"); }

    // Slot n's chord, typed into its field, and its box ticked; true when it went live.
    bool makeLive(app::SlotTable& table, int n, mod::Mask mods, int key) {
        control(n).chordPressed(mods, key);
        table.checkClicked(n, true);
        return control(n).hotKeyEnabled();
    }

    std::vector<std::string> log;
    RecordingChords chords{log};
    std::array<std::unique_ptr<hotkey::ControlLogic>, app::SlotTable::kSlots> controls;
};
