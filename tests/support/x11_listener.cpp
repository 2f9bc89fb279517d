#include "support/x11_listener.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <X11/Xlib.h>
#include <xcb/xinput.h>

X11Listener::X11Listener() {
    c_ = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c_)) return;
    keymap_.load(c_);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    window_ = xcb_generate_id(c_);
    const std::uint32_t mask[] = {screen->white_pixel, XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE |
                                                           XCB_EVENT_MASK_FOCUS_CHANGE |
                                                           XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 200, 200, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, mask);
    xcb_map_window(c_, window_);
    xcb_flush(c_);
}

void X11Listener::markLook(xcb_connection_t* from, x11::Keysym keysym) {
    xcb_atom_t& atom = lookAtoms_[keysym];
    if (atom == XCB_NONE) {
        const std::string name = "ZORVANE_TEST_LOOK_" + std::to_string(keysym);
        if (auto* reply = xcb_intern_atom_reply(
                c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr)) {
            atom = reply->atom;
            std::free(reply);
        }
    }
    const std::uint32_t nothing = 0;
    xcb_change_property(from, XCB_PROP_MODE_REPLACE, window_, atom, XCB_ATOM_CARDINAL, 32, 1, &nothing);
}

X11Listener::~X11Listener() {
    if (c_) xcb_disconnect(c_);
}

bool X11Listener::takeFocus() {
    for (int i = 0; i < 100; ++i) {
        xcb_set_input_focus(c_, XCB_INPUT_FOCUS_POINTER_ROOT, window_, XCB_CURRENT_TIME);
        auto* reply = xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr);
        const bool focused = reply && reply->focus == window_;
        std::free(reply);
        if (focused) {
            drain();
            events_.clear();
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void X11Listener::logRawPresses(bool releasesToo) {
    const xcb_query_extension_reply_t* xi = xcb_get_extension_data(c_, &xcb_input_id);
    if (!xi || !xi->present) return;
    std::free(xcb_input_xi_query_version_reply(c_, xcb_input_xi_query_version(c_, 2, 2), nullptr));
    xinputOpcode_ = xi->major_opcode;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t bits;
    } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
           XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | (releasesToo ? XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE : 0u)};
    xcb_input_xi_select_events(c_, root, 1, &mask.head);
    // Which devices are the server's own XTest ones, to tell injected keys from typed ones.
    if (auto* devices =
            xcb_input_xi_query_device_reply(c_, xcb_input_xi_query_device(c_, XCB_INPUT_DEVICE_ALL), nullptr)) {
        for (auto it = xcb_input_xi_query_device_infos_iterator(devices); it.rem; xcb_input_xi_device_info_next(&it)) {
            const std::string name(xcb_input_xi_device_info_name(it.data),
                                   static_cast<std::size_t>(xcb_input_xi_device_info_name_length(it.data)));
            if (name.find("XTEST") != std::string::npos) xtestDevices_.push_back(it.data->deviceid);
        }
        std::free(devices);
    }
    xcb_flush(c_);
}

void X11Listener::drain() {
    while (xcb_generic_event_t* ev = xcb_poll_for_event(c_)) {
        const std::uint8_t type = ev->response_type & 0x7f;
        if (x11::isMappingNotify(ev)) {
            keymap_.load(c_);
        } else if (type == XCB_GE_GENERIC && xinputOpcode_ &&
                   reinterpret_cast<xcb_ge_generic_event_t*>(ev)->extension == xinputOpcode_ &&
                   (reinterpret_cast<xcb_ge_generic_event_t*>(ev)->event_type == XCB_INPUT_RAW_KEY_PRESS ||
                    reinterpret_cast<xcb_ge_generic_event_t*>(ev)->event_type == XCB_INPUT_RAW_KEY_RELEASE)) {
            const auto* r = reinterpret_cast<xcb_input_raw_key_press_event_t*>(ev);
            const auto kc = static_cast<xcb_keycode_t>(r->detail);
            const bool press = r->event_type == XCB_INPUT_RAW_KEY_PRESS;
            const bool injected =
                std::find(xtestDevices_.begin(), xtestDevices_.end(), r->sourceid) != xtestDevices_.end();
            events_.push_back({press, true, injected, kc, keymap_.keysymAt(kc, 0), 0, r->time});
        } else if (type == XCB_PROPERTY_NOTIFY) {
            const auto* p = reinterpret_cast<xcb_property_notify_event_t*>(ev);
            for (const auto& [keysym, atom] : lookAtoms_)
                if (atom == p->atom) events_.push_back({false, false, false, 0, keysym, 0, p->time, true});
        } else if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
            const auto* k = reinterpret_cast<xcb_key_press_event_t*>(ev);
            events_.push_back(
                {type == XCB_KEY_PRESS, false, false, k->detail, keymap_.keysymAt(k->detail, 0), k->state, k->time});
        }
        std::free(ev);
    }
}

const std::vector<KeyEventLog>& X11Listener::waitForEvents(std::size_t count, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        drain();
        if (events_.size() >= count || std::chrono::steady_clock::now() > deadline) return events_;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

std::string describe(const KeyEventLog& e) {
    if (e.look) {
        const char* key = XKeysymToString(e.keysym);
        return std::string("the program looks at ") + (key ? key : "a key") + " t=" + std::to_string(e.time);
    }
    const char* name = XKeysymToString(e.keysym);
    char buf[128];
    std::snprintf(buf, sizeof buf, "%s%s %s state=0x%x t=%u", e.raw ? (e.injected ? "raw injected " : "raw ") : "",
                  e.press ? "press" : "release", name ? name : "NoSymbol", e.state, e.time);
    return buf;
}

std::string describe(const std::vector<KeyEventLog>& events) {
    std::string s;
    for (const auto& e : events) s += describe(e) + "\n";
    return s;
}
