#pragma once
// The program's path from a trigger to the target's keys: the program's slot
// table over a recording view, on a display whose keyboard is a physical one
// (Xephyr in Xvfb; scripts/with-physical-keyboard), with a focused listener
// window and a user who types on the outer display.

#include <xcb/xcb.h>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/keys/virtual_keys.h"
#include "core/slots/slot_table.h"
#include "platform/x11/x11_hotkey_endpoint.h"
#include "platform/x11/x11_key_injector.h"
#include "platform/x11/x11_keyboard_state.h"
#include "platform/x11/x11_session.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"
#include "support/x11_listener.h"

namespace bed {

struct Slot {
    mod::Mask mods;  // trigger chord
    std::uint8_t key;
    std::string action;  // target
};

// One key event of the user's, at a time from the start of a sequence.
struct Step {
    int atMs;
    std::uint8_t vk;
    bool down;
};

class DeliveryBed {
public:
    // exact: the program as built; otherwise playback as the keys stand, for comparison.
    explicit DeliveryBed(bool exact = true);

    std::string error;  // why the bed could not be set up
    bool ok() const { return error.empty(); }

    // The program started anew with these slots (ten at most) in its
    // settings, each trigger made live; false when one could not be.
    bool configure(const std::vector<Slot>& chords);
    // Types the steps at their times while the program runs, then waits until
    // every playback has ended and the user's keys have reached the display.
    void perform(std::vector<Step> steps);
    // Releases every key the user still holds and waits until none is down.
    bool userLetsGoOfEverything();
    // Types one key and waits until applications see it, without letting the
    // program read the key event: for what the program does on a stale view.
    bool typeBehindTheProgramsBack(std::uint8_t vk, bool down);

    platform::KeySet logicalDown() { return state_->logicalDown(); }
    platform::KeySet physicalDown() { return state_->physicalDown(); }
    // The server's own view of the keys down, asked afresh.
    platform::KeySet serverLogicalDown();
    x11::Session& session() { return *session_; }
    x11::X11KeyInjector& injector() { return *injector_; }
    X11Listener& listener() { return listener_; }
    // Playbacks since the last configure, counted as each holds its keys.
    int playbacks() const { return playbacks_; }
    // The same, by action string.
    const std::map<std::string, int>& played() const { return played_; }

    static void spin(int ms);
    static bool spinUntil(const std::function<bool()>& done, int timeoutMs);

private:
    // Waits until every key the user typed has reached the nested display and
    // every playback it started has ended.
    void waitForTheUsersKeys();

    bool exact_;
    int pointerX_ = 400;
    X11Listener listener_;
    std::unique_ptr<x11::X11KeyInjector> user_;
    std::shared_ptr<x11::Session> session_;
    std::unique_ptr<x11::X11KeyInjector> injector_;
    std::unique_ptr<platform::KeyInjector> lookMarker_;
    std::unique_ptr<x11::X11KeyboardState> state_;
    std::unique_ptr<x11::X11HotkeyService> service_;
    platform::Services services_;
    TempDir folder_;  // the settings file's
    std::unique_ptr<RecordingView> view_;
    std::unique_ptr<app::SlotTable> table_;
    platform::KeySet userHolds_;
    int playbacks_ = 0;
    std::map<std::string, int> played_;
};

// Modifier bits of an X event state for a chord mask.
std::uint16_t xState(mod::Mask chordMods);
// Shift, Control, Alt and Win as this display binds them.
inline constexpr std::uint16_t kModifierBits =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

}  // namespace bed
