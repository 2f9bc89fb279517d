#include "core/slots/slot_table.h"

#include "core/diag/diag.h"
#include "core/view/texts.h"

namespace app {

namespace {

// A key injector for when the window system gives none: triggers play nothing.
class NoInjector : public platform::KeyInjector {
public:
    bool keyDown(std::uint8_t) override { return true; }
    void keyUp(std::uint8_t) override {}
};

platform::KeyInjector& injectorOf(const platform::Services& s) {
    static NoInjector none;
    return s.injector ? *s.injector : none;
}

}  // namespace

SlotTable::SlotTable(View& view, const platform::Services& services, SettingsFile settings, playback::HoldFn hold)
    : view_(view),
      settings_(std::move(settings)),
      unavailable_(services.unavailable),
      limitedReach_(services.limitedReach),
      // With a keyboard state, the target application gets exactly the target
      // shortcut, whatever the user still holds.
      player_(injectorOf(services), services.keyboard, std::move(hold)),
      slots_([this](const std::string& action) { opendo(action); }) {
    slots_.onDropped = [](int slot) {
        diag::Report("slot " + std::to_string(slot + 1) +
                     "'s trigger came while too many were waiting; it is not played");
    };
    player_.onProblem = [](const std::string& why) { diag::Report(why); };
    if (platform::HotkeyService* hotkeys = services.hotkeys)
        player_.onHeldModifiers = [hotkeys](mod::Mask held, mod::Mask letGo) {
            hotkeys->setHeldModifiers(held, letGo);
        };
    // Releases a window dropped (one run as administrator came forward during
    // a hold) go out as soon as another window comes forward.
    if (services.injector) {
        injector_ = services.injector;
        injector_->onFocusChanged = [this] { player_.releaseOwed(); };
    }
}

SlotTable::~SlotTable() {
    if (injector_) injector_->onFocusChanged = nullptr;
}

void SlotTable::load() {
    if (!unavailable_.empty()) diag::Report(unavailable_);
    settings_.removeStaleTemporaries();
    for (int i = 0; i < kSlots; ++i) {
        const std::string key = std::to_string(i);
        targets_[i].text = settings_.read("conftext", key, "");
        targets_[i].action = settings_.read("conftooltip", key, "");
        view_.showTarget(i, targets_[i]);
    }
    for (int n = 1; n <= kSlots; ++n) {
        hotkey::ControlLogic& control = view_.control(n);
        control.onChordChanged = [this, n] { reportSaveFailure(view_.control(n).saveSettings()); };
        control.onSlotPressed = [this, n](bool repeat) { hotKeyPressed(n, repeat); };
        control.onSlotTurnedOff = [this, n] { showLive(n); };
    }
}

void SlotTable::reportUnreadableSettings() {
    if (const std::string why = settings_.unreadableReason(); !why.empty())
        view_.alert(texts::kUnreadableTitle,
                    std::string(texts::kUnreadableText) + "\n" + settings_.path() + "\n" + why);
}

void SlotTable::checkClicked(int n, bool checked) {
    view_.control(n).setHotKeyEnabled(checked);
    showLive(n);
    if (view_.control(n).hotKeyEnabled() && !limitedReach_.empty() && !std::exchange(toldLimitedReach_, true))
        diag::Notify(diag::Cause::X11WindowsOnly, "a trigger went live, but " + limitedReach_);
}

void SlotTable::showLive(int n) { view_.setChecked(n, view_.control(n).hotKeyEnabled()); }

void SlotTable::hotKeyPressed(int n, bool repeat) {
    if (n < 1 || n > kSlots) return;
    // The user is typing a chord into one of our fields: the system handed
    // the press of a live trigger to its slot, but it is the field's. Played,
    // its target would be what the field records.
    for (int m = 1; m <= kSlots; ++m) {
        if (!view_.control(m).capturing()) continue;
        const hotkey::ChordCapture& pressed = view_.control(n).capture();
        view_.control(m).chordPressed(pressed.modKeyCode(), pressed.keyCode());
        return;
    }
    try {
        slots_.trigger(n - 1, targets_[n - 1].action, repeat);
    } catch (const std::exception& e) {
        diag::Report("playback of slot " + std::to_string(n) + " failed: " + e.what());
    }
}

void SlotTable::opendo(std::string_view textall) { player_.play(textall); }

void SlotTable::storeTarget(int i, const editor::SlotTarget& target) {
    if (i < 0 || i >= kSlots) return;
    targets_[i] = {target.displayText, target.actionString};
    view_.showTarget(i, targets_[i]);
    const std::string key = std::to_string(i);
    Result r = settings_.write("conftext", key, target.displayText);
    if (r) r = settings_.write("conftooltip", key, target.actionString);
    reportSaveFailure(r);
}

bool SlotTable::saveAllChords(Report report) {
    // One write of the file for all thirty values: a slow disk holds the
    // program (and its hotkeys) once, not thirty times.
    chordStore_.beginBatch();
    Result first;
    for (int n = 1; n <= kSlots; ++n) {
        const Result r = view_.control(n).saveSettings();
        if (!r && first) first = r;
    }
    if (const Result r = chordStore_.endBatch(); !r && first) first = r;
    reportSaveFailure(first, report);
    return first.ok();
}

bool SlotTable::end(Ending how) {
    // No key of the program's stays down after it: releases still owed go now.
    player_.releaseOwed();
    const bool saved = saveAllChords(how == Ending::Exit ? Report::Dialog : Report::StandardError);
    switch (how) {
        case Ending::Exit:
        case Ending::Asked: view_.quit(); break;
        case Ending::DisplayLost:
            if (saved) diag::Report("ending without a display; the chords are saved");
            break;
        case Ending::SessionEnd: break;
    }
    return saved;
}

void SlotTable::reportSaveFailure(const Result& r, Report report) {
    if (r) {
        lastFailure_.clear();
        return;
    }
    // A message box says it once until a save succeeds again: one full disk
    // is one message. The log is told every time.
    if (report == Report::Dialog && r.why() == lastFailure_) return;
    lastFailure_ = r.why();
    const std::string& path = settings_.path();
    const bool named = r.why().find(path) != std::string::npos;
    const std::string line = "the settings could not be saved: " + (named ? r.why() : path + ": " + r.why());
    // No one may be there to answer a message box: a notice, and the log.
    if (report == Report::StandardError) return diag::Notify(diag::Cause::SaveFailed, line);
    diag::Report(line);
    view_.alert(texts::kUnsavedTitle, std::string(texts::kUnsavedText) + "\n" + path + "\n" + r.why());
}

}  // namespace app
