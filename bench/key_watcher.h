#pragma once
// A window on a thread of its own that holds the input focus and notes, on the
// steady clock, when each key press reaches it: the application's side of a
// latency measurement, free of the measuring thread's own work.

#include <xcb/xcb.h>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/x11/keymap.h"

class KeyWatcher {
public:
    using Clock = std::chrono::steady_clock;
    struct Press {
        x11::Keysym keysym;
        Clock::time_point at;
    };

    KeyWatcher();
    ~KeyWatcher();
    bool ok() const { return window_ != 0; }

    // Gives the window the input focus again and waits until it has it.
    bool takeFocus();
    void clear();
    // The first press of `keysym` noted since the last clear, waiting up to timeoutMs.
    std::optional<Clock::time_point> waitFor(x11::Keysym keysym, int timeoutMs);

private:
    void run();

    xcb_connection_t* c_ = nullptr;
    xcb_window_t window_ = 0;
    x11::Keymap keymap_;
    std::mutex mutex_;
    std::vector<Press> presses_;
    bool stop_ = false;
    std::thread thread_;
};
