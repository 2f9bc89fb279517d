#include "key_watcher.h"

#include <poll.h>
#include <cstdlib>

KeyWatcher::KeyWatcher() {
    c_ = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c_)) return;
    keymap_.load(c_);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    const xcb_window_t w = xcb_generate_id(c_);
    const std::uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_KEY_PRESS};
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 200, 200, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    xcb_map_window(c_, w);
    xcb_flush(c_);
    window_ = w;
    if (takeFocus())
        thread_ = std::thread([this] { run(); });
    else
        window_ = 0;
}

bool KeyWatcher::takeFocus() {
    // A second connection: the watching thread reads this one's events.
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    bool focused = false;
    for (int i = 0; i < 100 && !focused; ++i) {
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, window_, XCB_CURRENT_TIME);
        auto* reply = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
        focused = reply && reply->focus == window_;
        std::free(reply);
        if (!focused) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    xcb_disconnect(c);
    return focused;
}

KeyWatcher::~KeyWatcher() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    if (thread_.joinable()) thread_.join();
    if (c_) xcb_disconnect(c_);
}

void KeyWatcher::run() {
    pollfd fd{xcb_get_file_descriptor(c_), POLLIN, 0};
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stop_) return;
        }
        ::poll(&fd, 1, 20);
        // The time an event reached us, not the time we got round to it: the
        // server sends a keyboard mapping notice with each change of device,
        // and this client handles none of it before it notes the keys.
        const auto at = Clock::now();
        while (xcb_generic_event_t* ev = xcb_poll_for_event(c_)) {
            if ((ev->response_type & 0x7f) == XCB_KEY_PRESS) {
                const auto* k = reinterpret_cast<const xcb_key_press_event_t*>(ev);
                std::lock_guard lock(mutex_);
                presses_.push_back({keymap_.keysymAt(k->detail, 0), at});
            }
            std::free(ev);
        }
    }
}

void KeyWatcher::clear() {
    std::lock_guard lock(mutex_);
    presses_.clear();
}

std::optional<KeyWatcher::Clock::time_point> KeyWatcher::waitFor(x11::Keysym keysym, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
        {
            std::lock_guard lock(mutex_);
            for (const Press& p : presses_)
                if (p.keysym == keysym) return p.at;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return std::nullopt;
}
