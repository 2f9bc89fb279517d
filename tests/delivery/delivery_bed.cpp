#include "delivery/delivery_bed.h"

#include <xcb/xtest.h>
#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/x11/vk_keysym.h"
#include "support/spin.h"
#include "ui/playback/keyfunc.h"

namespace bed {

namespace {

// The program's injector, marking in the listener's log each time the player
// looks at whether the user still holds a modifier the target shares: a
// release of it after that mark is one the program could not have known about.
class LookMarkingInjector : public platform::KeyInjector {
public:
    LookMarkingInjector(x11::X11KeyInjector& inner, X11Listener& listener) : inner_(inner), listener_(listener) {}
    bool keyDown(std::uint8_t vk) override { return inner_.keyDown(vk); }
    void keyUp(std::uint8_t vk) override { inner_.keyUp(vk); }
    void ensureDown(std::uint8_t vk) override {
        listener_.markLook(inner_.session().connection(), x11::VkToKeysym(vk));
        inner_.ensureDown(vk);
    }
    void maskTap() override { inner_.maskTap(); }
    void beginBatch() override { inner_.beginBatch(); }
    void endBatch() override { inner_.endBatch(); }

private:
    x11::X11KeyInjector& inner_;
    X11Listener& listener_;
};

}  // namespace

std::uint16_t xState(mod::Mask m) {
    std::uint16_t state = 0;
    if (m & mod::Mask::Shift) state |= XCB_MOD_MASK_SHIFT;
    if (m & mod::Mask::Control) state |= XCB_MOD_MASK_CONTROL;
    if (m & mod::Mask::Alt) state |= XCB_MOD_MASK_1;
    if (m & mod::Mask::Win) state |= XCB_MOD_MASK_4;
    return state;
}

void DeliveryBed::spin(int ms) { ::spin(ms); }

bool DeliveryBed::spinUntil(const std::function<bool()>& done, int timeoutMs) { return ::spinUntil(done, timeoutMs); }

DeliveryBed::DeliveryBed(bool exact) : exact_(exact) {
    const char* outer = std::getenv("OUTER_DISPLAY");
    if (!outer) {
        error = "no OUTER_DISPLAY: run under scripts/with-physical-keyboard";
        return;
    }
    if (!listener_.ok() || !listener_.takeFocus()) {
        error = "no listener window";
        return;
    }
    listener_.logRawPresses(true);
    user_ = x11::X11KeyInjector::open(outer, &error);
    if (!user_) return;
    // Wired as the program wires it: one session for grabs, injection and key state.
    session_ = x11::Session::open(nullptr, &error);
    if (!session_) return;
    injector_ = std::make_unique<x11::X11KeyInjector>(session_);
    state_ = std::make_unique<x11::X11KeyboardState>(session_);
    service_ = std::make_unique<x11::X11HotkeyService>(session_, exact_);
    lookMarker_ = std::make_unique<LookMarkingInjector>(*injector_, listener_);
    services_ = {.injector = lookMarker_.get(), .hotkeys = service_.get(), .keyboard = exact_ ? state_.get() : nullptr};
}

bool DeliveryBed::configure(const std::vector<Slot>& chords) {
    table_.reset();
    view_.reset();
    if (chords.size() > app::SlotTable::kSlots) return false;
    const app::SettingsFile settings(folder_.file(app::SettingsFile::kFileName));
    std::vector<profile::Entry> targets;
    for (std::size_t i = 0; i < app::SlotTable::kSlots; ++i) {
        const std::string action = i < chords.size() ? chords[i].action : "";
        targets.push_back({"conftext", std::to_string(i), action});
        targets.push_back({"conftooltip", std::to_string(i), action});
    }
    if (!settings.writeAll(targets)) return false;
    view_ = std::make_unique<RecordingView>(services_);
    table_ = std::make_unique<app::SlotTable>(*view_, services_, settings, [this](int ms) {
        ++playbacks_;
        ++played_[table_->target(table_->playingSlot() - 1).action];
        keyfunc::Delay(ms);
    });
    table_->load();
    bool all = true;
    for (std::size_t i = 0; i < chords.size(); ++i)
        all = view_->makeLive(*table_, static_cast<int>(i) + 1, chords[i].mods, chords[i].key) && all;
    playbacks_ = 0;
    played_.clear();
    spin(20);
    listener_.clear();
    return all;
}

void DeliveryBed::perform(std::vector<Step> steps) {
    // Steps at the same time go out in one write: the server takes them in one go.
    std::map<int, std::vector<Step>> at;
    for (const Step& s : steps) at[s.atMs].push_back(s);
    // Shared: a timer that fires after a timeout must not touch a finished call.
    auto pending = std::make_shared<int>(static_cast<int>(at.size()));
    const int last = at.empty() ? 0 : at.rbegin()->first;
    for (const auto& [ms, group] : at) {
        QTimer::singleShot(ms, Qt::PreciseTimer, [this, group, pending] {
            user_->beginBatch();
            for (const Step& s : group) {
                if (s.down)
                    user_->keyDown(s.vk);
                else
                    user_->keyUp(s.vk);
                userHolds_.set(s.vk, s.down);
            }
            user_->endBatch();
            --*pending;
        });
    }
    spinUntil([&] { return *pending == 0; }, last + 5000);
    waitForTheUsersKeys();
    listener_.waitForEvents(0, 0);
}

void DeliveryBed::waitForTheUsersKeys() {
    // The nested display's server takes the outer display's events in the
    // order they come: once it has moved its pointer for a move made after
    // the keys, it has taken every key before it, and sent the program the
    // presses its grabs caught. The program has them once it has synced.
    xcb_connection_t* inner = listener_.connection();
    const xcb_window_t innerRoot = xcb_setup_roots_iterator(xcb_get_setup(inner)).data->root;
    auto pointer = [&] {
        std::unique_ptr<xcb_query_pointer_reply_t, decltype(&std::free)> p(
            xcb_query_pointer_reply(inner, xcb_query_pointer(inner, innerRoot), nullptr), &std::free);
        return p ? std::make_pair(p->root_x, p->root_y) : std::make_pair<std::int16_t, std::int16_t>(-1, -1);
    };
    const auto before = pointer();
    xcb_connection_t* outer = user_->session().connection();
    pointerX_ = pointerX_ == 400 ? 401 : 400;
    xcb_test_fake_input(outer, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, user_->session().root(), pointerX_, 300, 0);
    xcb_flush(outer);
    spinUntil([&] { return pointer() != before; }, 5000);
    session_->sync();
    spinUntil([&] { return !session_->eventsWaiting() && !(table_ && table_->playingSlot()); }, 10000);
}

bool DeliveryBed::userLetsGoOfEverything() {
    for (int vk = 1; vk < 256; ++vk)
        if (userHolds_[vk]) user_->keyUp(static_cast<std::uint8_t>(vk));
    userHolds_.reset();
    waitForTheUsersKeys();
    const bool up = spinUntil([&] { return physicalDown().none(); }, 2000);
    listener_.waitForEvents(0, 0);
    return up;
}

bool DeliveryBed::typeBehindTheProgramsBack(std::uint8_t vk, bool down) {
    if (down)
        user_->keyDown(vk);
    else
        user_->keyUp(vk);
    userHolds_.set(vk, down);
    // Asks the server on the listener's connection and runs no event loop.
    for (int i = 0; i < 500; ++i) {
        if (serverLogicalDown()[vk] == down) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

platform::KeySet DeliveryBed::serverLogicalDown() {
    xcb_connection_t* c = listener_.connection();
    std::unique_ptr<xcb_query_keymap_reply_t, decltype(&std::free)> keys(
        xcb_query_keymap_reply(c, xcb_query_keymap(c), nullptr), &std::free);
    platform::KeySet set;
    if (!keys) return set;
    for (int kc = 8; kc < 256; ++kc)
        if (keys->keys[kc / 8] & (1u << (kc % 8)))
            if (const std::uint8_t vk = session_->layout().sidedVirtualKey(static_cast<xcb_keycode_t>(kc))) set.set(vk);
    return set;
}

}  // namespace bed
