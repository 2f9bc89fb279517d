#pragma once
// The main window's slot table, apart from any window: what happens at
// start-up, when a box is ticked, when a trigger fires, when the editor saves
// a target and when the program ends. A front end draws the ten rows and
// forwards their events here; it answers through the View.
//
// Slot n (1 … 10) has the hotkey control "Zorvane<n>" and the box "Check<n>";
// its index i = n - 1 keys its target in set.ini (sections conftext and
// conftooltip, "0" … "9") and names its target field Text1(i).

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "core/diag/result.h"
#include "core/editor/action_composer.h"
#include "core/hotkey/control_logic.h"
#include "core/playback/player.h"
#include "core/playback/slot_player.h"
#include "core/services/services.h"
#include "core/slots/editor_session.h"
#include "core/slots/settings_file.h"

namespace app {

class SlotTable {
public:
    static constexpr int kSlots = 10;
    // "Zorvane1" … "Zorvane10", the names that key each control's chord.
    static std::string ControlName(int n) { return "Zorvane" + std::to_string(n); }

    struct Target {
        std::string text;    // what the target field shows: "Ctrl + C"
        std::string action;  // its tool tip, the action string: "2|17|67"
    };

    class View {
    public:
        virtual ~View() = default;
        // Slot n's hotkey control.
        virtual hotkey::ControlLogic& control(int n) = 0;
        virtual void showTarget(int i, const Target& target) = 0;
        virtual void setChecked(int n, bool on) = 0;
        // A modal message.
        virtual void alert(const std::string& title, const std::string& text) = 0;
        // The program ends: the tray icon goes, the window goes, and the
        // message loop ends.
        virtual void quit() = 0;
    };

    // The settings file is the one the targets and, through chordStore(),
    // the controls' chords are kept in.
    SlotTable(View& view, const platform::Services& services, SettingsFile settings, playback::HoldFn hold);
    ~SlotTable();
    SlotTable(const SlotTable&) = delete;
    SlotTable& operator=(const SlotTable&) = delete;

    const SettingsFile& settings() const { return settings_; }
    // Where the controls keep their chords: the settings file's section
    // Zorvane, for connecting each control.
    hotkey::ChordStore& chordStore() { return chordStore_; }

    // Start-up, after the controls have read their chords: the log says why
    // no trigger can be live when none can, what a save killed half-way left
    // is removed, and each slot's target is read, for i = 0 … 9, its text and
    // then its action string. From then on a chord is saved as soon as it
    // changes, a trigger's press plays its slot's target, and a live chord
    // that goes off by itself (a key typed into its field, or the system took
    // it) clears its box.
    void load();
    // A settings file that cannot be read is kept as it is, never saved over;
    // the user is told, once the window is up.
    void reportUnreadableSettings();
    const Target& target(int i) const { return targets_[i]; }
    // Slot n whose target plays now; 0 while none does.
    int playingSlot() const { return slots_.playing() + 1; }

    // A click on slot n's box, which now shows `checked`: the chord is made
    // live or let go of, and the box ends as the control's state is. Where
    // triggers reach only some windows, the first that goes live tells the user so.
    void checkClicked(int n, bool checked);
    // The editor saved a target for slot index i: the field first, then set.ini.
    void storeTarget(int i, const editor::SlotTarget& target);
    // The action editor's session; its 添加 stores through storeTarget.
    EditorSession& editor() { return editor_; }

    // Who hears of a failed save: the user, in a modal message, or, when the
    // program is being ended from outside and no one may be there to answer,
    // the standard error (diag::Report).
    enum class Report { Dialog, StandardError };
    // The saving part of the exit routine: every control's chord, slot 1 to
    // 10. A failure is reported, once. True when every chord was saved.
    bool saveAllChords(Report report = Report::Dialog);

    // How the program comes to end, which says who hears of a failed save
    // and whether the program still has to end itself.
    enum class Ending {
        Exit,         // the exit routine (the cross, 退出): a message box; the program ends
        Asked,        // asked to from outside (a signal): the standard error; the program ends
        SessionEnd,   // the session ends, which ends the program: the standard error
        DisplayLost,  // the toolkit ends the program, its display gone: the standard error,
                      // and a line that the chords are kept
    };
    // The exit routine: every chord is saved and the program ends as `how`
    // says. True when every chord was saved.
    bool end(Ending how);

private:
    // Slot n's trigger fired: its action string goes to opendo as it stands,
    // in its turn, unless one of the fields is capturing a chord, which then
    // records it.
    void hotKeyPressed(int n, bool repeat);
    // Plays an action string into the focused window; every trigger plays
    // through here, one at a time.
    void opendo(std::string_view textall);
    // The box shows whether the chord is live.
    void showLive(int n);
    void reportSaveFailure(const Result& r, Report report = Report::Dialog);

    View& view_;
    const SettingsFile settings_;
    const std::string unavailable_;   // why no trigger can be live, when none can
    const std::string limitedReach_;  // why triggers reach only some windows, when they do
    bool toldLimitedReach_ = false;
    IniChordStore chordStore_{settings_};
    platform::KeyInjector* injector_ = nullptr;
    playback::Player player_;
    playback::SlotPlayer slots_;
    std::array<Target, kSlots> targets_;
    EditorSession editor_{[this](int i, const editor::SlotTarget& target) { storeTarget(i, target); }};
    std::string lastFailure_;  // the last save failure reported
};

}  // namespace app
