#pragma once
// A small X window of the test suite that holds the input focus and logs every
// key event it receives, with its keysym and modifier state.

#include <xcb/xcb.h>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/x11/keymap.h"

struct KeyEventLog {
    bool press;
    bool raw = false;       // a raw event of the server (any window, any device) rather than one the window received
    bool injected = false;  // a raw event from an XTest device, not from a keyboard
    xcb_keycode_t keycode;
    x11::Keysym keysym;    // unshifted keysym under the mapping in force at the event
    std::uint16_t state;   // modifier state before the event
    xcb_timestamp_t time;  // server time, in milliseconds
    bool look = false;     // not a key event: a mark another client put in the server's stream (markLook), for keysym
};

class X11Listener {
public:
    X11Listener();
    ~X11Listener();
    X11Listener(const X11Listener&) = delete;
    X11Listener& operator=(const X11Listener&) = delete;

    bool ok() const { return window_ != 0; }
    xcb_window_t window() const { return window_; }
    // Also log the server's raw key presses (and releases), for when the user's keys went down.
    void logRawPresses(bool releasesToo = false);
    // Gives the window the input focus and waits until it has it.
    bool takeFocus();
    // Waits up to timeoutMs for at least `count` key events in all; returns all so far.
    const std::vector<KeyEventLog>& waitForEvents(std::size_t count, int timeoutMs = 2000);
    const std::vector<KeyEventLog>& events() const { return events_; }
    void clear() { events_.clear(); }

    xcb_connection_t* connection() const { return c_; }
    // Puts a mark in the log from another client's connection, in the server's
    // order with the key events: for when that client looked at a key.
    void markLook(xcb_connection_t* from, x11::Keysym keysym);

private:
    void drain();

    xcb_connection_t* c_ = nullptr;
    xcb_window_t window_ = 0;
    x11::Keymap keymap_;
    std::vector<KeyEventLog> events_;
    std::uint8_t xinputOpcode_ = 0;
    std::vector<std::uint16_t> xtestDevices_;
    std::map<x11::Keysym, xcb_atom_t> lookAtoms_;
};

// "press Control_L state=0x0" for readable failures.
std::string describe(const KeyEventLog& e);
std::string describe(const std::vector<KeyEventLog>& events);
