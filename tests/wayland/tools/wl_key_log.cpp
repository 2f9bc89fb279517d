// A Wayland window that logs the keys it gets, one line per event, for the
// Wayland tests to read. Usage: wl_key_log [app_id]   (also the title)
//   out: ready | focus | unfocus | D <keysym> <mods> | U <keysym> <mods>
//        | held <keysyms…|-> mods <mods>
//   in:  state (prints the held line); end of input ends the program.
// <keysym> is the key's unshifted (level 0) keysym, <mods> the letters of
// Control, Alt, Shift and Super in effect (C, A, S, W) or "-".
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "xdg-shell-client.h"

namespace {

struct Log {
    wl_display* display = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    wl_seat* seat = nullptr;
    xdg_wm_base* wmBase = nullptr;
    wl_surface* surface = nullptr;
    xdg_surface* xdgSurface = nullptr;
    xdg_toplevel* toplevel = nullptr;
    wl_buffer* buffer = nullptr;
    int width = 300, height = 200;  // what the compositor asked for; drawn at the next configure
    int drawnWidth = 0, drawnHeight = 0;
    bool ready = false;  // the first buffer is committed

    wl_keyboard* keyboard = nullptr;
    xkb_context* xkb = nullptr;
    xkb_keymap* keymap = nullptr;
    xkb_state* state = nullptr;
    xkb_mod_index_t modIndex[4] = {XKB_MOD_INVALID, XKB_MOD_INVALID, XKB_MOD_INVALID, XKB_MOD_INVALID};
    std::uint32_t mods = 0;                                   // depressed | latched, from the last modifiers event
    std::vector<std::pair<std::uint32_t, std::string>> held;  // keycode, keysym name; in the order pressed
};

void say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string modLetters(const Log& log) {
    static const char letters[] = "CASW";
    std::string out;
    for (int i = 0; i < 4; ++i) {
        if (log.modIndex[i] != XKB_MOD_INVALID && (log.mods & (1u << log.modIndex[i]))) out += letters[i];
    }
    return out.empty() ? "-" : out;
}

// The key's level 0 keysym in the layout in effect for it.
std::string keyName(const Log& log, std::uint32_t key) {
    const xkb_keycode_t code = key + 8;  // evdev code to XKB keycode
    if (log.keymap) {
        const xkb_keysym_t* syms = nullptr;
        const xkb_layout_index_t layout = xkb_state_key_get_layout(log.state, code);
        if (layout != XKB_LAYOUT_INVALID && xkb_keymap_key_get_syms_by_level(log.keymap, code, layout, 0, &syms) > 0) {
            char name[64];
            if (xkb_keysym_get_name(syms[0], name, sizeof name) > 0) return name;
        }
    }
    return "key" + std::to_string(key);
}

bool drawBuffer(Log& log) {
    const int stride = log.width * 4, size = stride * log.height;
    const int fd = memfd_create("wl_key_log", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, size) < 0) return false;
    void* pixels = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (pixels == MAP_FAILED) {
        close(fd);
        return false;
    }
    std::fill_n(static_cast<std::uint32_t*>(pixels), size / 4, 0xff3060a0u);
    munmap(pixels, size);
    wl_shm_pool* pool = wl_shm_create_pool(log.shm, fd, size);
    wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, log.width, log.height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    wl_surface_attach(log.surface, buffer, 0, 0);
    wl_surface_damage(log.surface, 0, 0, log.width, log.height);
    if (log.buffer) wl_buffer_destroy(log.buffer);  // replaced by the attach above
    log.buffer = buffer;
    log.drawnWidth = log.width;
    log.drawnHeight = log.height;
    return true;
}

// Keyboard.

void onKeymap(void* data, wl_keyboard*, std::uint32_t format, int fd, std::uint32_t size) {
    auto& log = *static_cast<Log*>(data);
    xkb_keymap* keymap = nullptr;
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
        void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (text != MAP_FAILED) {
            keymap = xkb_keymap_new_from_buffer(log.xkb, static_cast<const char*>(text),
                                                strnlen(static_cast<const char*>(text), size),
                                                XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
            munmap(text, size);
        }
    }
    close(fd);
    if (!keymap) std::fprintf(stderr, "wl_key_log: could not load a keymap\n");
    xkb_state_unref(log.state);
    xkb_keymap_unref(log.keymap);
    log.keymap = keymap;
    log.state = keymap ? xkb_state_new(keymap) : nullptr;
    const char* names[] = {XKB_MOD_NAME_CTRL, XKB_MOD_NAME_ALT, XKB_MOD_NAME_SHIFT, XKB_MOD_NAME_LOGO};
    for (int i = 0; i < 4; ++i) log.modIndex[i] = keymap ? xkb_keymap_mod_get_index(keymap, names[i]) : XKB_MOD_INVALID;
}

void onEnter(void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) { say("focus"); }
void onLeave(void*, wl_keyboard*, std::uint32_t, wl_surface*) { say("unfocus"); }

void onKey(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key, std::uint32_t pressed) {
    auto& log = *static_cast<Log*>(data);
    const std::string name = keyName(log, key);
    auto it = std::find_if(log.held.begin(), log.held.end(), [&](const auto& k) { return k.first == key; });
    if (pressed == WL_KEYBOARD_KEY_STATE_PRESSED) {
        if (it == log.held.end()) log.held.emplace_back(key, name);
    } else if (it != log.held.end()) {
        log.held.erase(it);
    }
    say((pressed == WL_KEYBOARD_KEY_STATE_PRESSED ? "D " : "U ") + name + " " + modLetters(log));
}

void onModifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched,
                 std::uint32_t locked, std::uint32_t group) {
    auto& log = *static_cast<Log*>(data);
    log.mods = depressed | latched;
    if (log.state) xkb_state_update_mask(log.state, depressed, latched, locked, 0, 0, group);
}

void onRepeatInfo(void*, wl_keyboard*, std::int32_t, std::int32_t) {}

const wl_keyboard_listener keyboardListener = {onKeymap, onEnter, onLeave, onKey, onModifiers, onRepeatInfo};

// The seat gets its keyboard only when the first keyboard (often a virtual
// one) appears, and may lose it again.
void onCapabilities(void* data, wl_seat* seat, std::uint32_t caps) {
    auto& log = *static_cast<Log*>(data);
    const bool has = caps & WL_SEAT_CAPABILITY_KEYBOARD;
    if (has && !log.keyboard) {
        log.keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(log.keyboard, &keyboardListener, &log);
    } else if (!has && log.keyboard) {
        if (wl_keyboard_get_version(log.keyboard) >= WL_KEYBOARD_RELEASE_SINCE_VERSION) {
            wl_keyboard_release(log.keyboard);
        } else {
            wl_keyboard_destroy(log.keyboard);
        }
        log.keyboard = nullptr;
    }
}

void onSeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener seatListener = {onCapabilities, onSeatName};

// Shell.

void onPing(void*, xdg_wm_base* base, std::uint32_t serial) { xdg_wm_base_pong(base, serial); }

const xdg_wm_base_listener wmBaseListener = {onPing};

void onMapped(void*, wl_callback* callback, std::uint32_t) {
    wl_callback_destroy(callback);
    say("ready");
}

const wl_callback_listener mappedListener = {onMapped};

void onSurfaceConfigure(void* data, xdg_surface* surface, std::uint32_t serial) {
    auto& log = *static_cast<Log*>(data);
    xdg_surface_ack_configure(surface, serial);
    if ((log.width != log.drawnWidth || log.height != log.drawnHeight) && !drawBuffer(log)) {
        std::fprintf(stderr, "wl_key_log: could not make a buffer\n");
        std::exit(1);
    }
    wl_surface_commit(log.surface);
    if (!log.ready) {
        // "ready" once the compositor has seen the commit: the window is
        // mapped (and, in sway, focused) before a test goes on.
        log.ready = true;
        wl_callback_add_listener(wl_display_sync(log.display), &mappedListener, nullptr);
    }
}

const xdg_surface_listener surfaceListener = {onSurfaceConfigure};

void onToplevelConfigure(void* data, xdg_toplevel*, std::int32_t width, std::int32_t height, wl_array*) {
    auto& log = *static_cast<Log*>(data);
    if (width > 0) log.width = width;
    if (height > 0) log.height = height;
}

void onClose(void*, xdg_toplevel*) {}

void onBounds(void*, xdg_toplevel*, std::int32_t, std::int32_t) {}
void onWmCapabilities(void*, xdg_toplevel*, wl_array*) {}

const xdg_toplevel_listener toplevelListener = {onToplevelConfigure, onClose, onBounds, onWmCapabilities};

void onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version) {
    auto& log = *static_cast<Log*>(data);
    const std::string_view iface = interface;
    if (iface == wl_compositor_interface.name) {
        log.compositor = static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 4));
    } else if (iface == wl_shm_interface.name) {
        log.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (iface == wl_seat_interface.name && !log.seat) {
        // Version 3 for wl_keyboard.release; 4 for repeat_info.
        log.seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 5u)));
        wl_seat_add_listener(log.seat, &seatListener, &log);
    } else if (iface == xdg_wm_base_interface.name) {
        log.wmBase = static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
        xdg_wm_base_add_listener(log.wmBase, &wmBaseListener, &log);
    }
}

void onGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

[[noreturn]] void lost(const char* what) {
    std::fprintf(stderr, "wl_key_log: %s: %s\n", what, std::strerror(errno));
    std::exit(1);
}

void command(Log& log, const std::string& line) {
    if (line != "state") {
        std::fprintf(stderr, "wl_key_log: unknown command: %s\n", line.c_str());
        return;
    }
    // Whatever the compositor sent before it saw this roundtrip (the keys of a
    // virtual keyboard's last acknowledged command) is handled first.
    if (wl_display_roundtrip(log.display) < 0) lost("Wayland display");
    std::string keys;
    for (const auto& k : log.held) keys += (keys.empty() ? "" : " ") + k.second;
    say("held " + (keys.empty() ? "-" : keys) + " mods " + modLetters(log));
}

}  // namespace

int main(int argc, char** argv) {
    const char* appId = argc > 1 ? argv[1] : "zorvane-key-log";
    Log log;
    log.display = wl_display_connect(nullptr);
    if (!log.display) lost("cannot open the Wayland display");
    log.xkb = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    wl_registry* registry = wl_display_get_registry(log.display);
    wl_registry_add_listener(registry, &registryListener, &log);
    if (wl_display_roundtrip(log.display) < 0) lost("Wayland display");
    const std::pair<const void*, const char*> needed[] = {
        {log.compositor, "wl_compositor"}, {log.shm, "wl_shm"}, {log.seat, "wl_seat"}, {log.wmBase, "xdg_wm_base"}};
    for (const auto& [global, name] : needed) {
        if (!global) {
            std::fprintf(stderr, "wl_key_log: the compositor has no %s\n", name);
            return 1;
        }
    }

    log.surface = wl_compositor_create_surface(log.compositor);
    log.xdgSurface = xdg_wm_base_get_xdg_surface(log.wmBase, log.surface);
    xdg_surface_add_listener(log.xdgSurface, &surfaceListener, &log);
    log.toplevel = xdg_surface_get_toplevel(log.xdgSurface);
    xdg_toplevel_add_listener(log.toplevel, &toplevelListener, &log);
    xdg_toplevel_set_app_id(log.toplevel, appId);
    xdg_toplevel_set_title(log.toplevel, appId);
    wl_surface_commit(log.surface);  // no buffer yet: asks for the first configure

    std::string input;
    pollfd fds[2] = {{wl_display_get_fd(log.display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    for (;;) {
        while (wl_display_prepare_read(log.display) != 0) {
            if (wl_display_dispatch_pending(log.display) < 0) lost("Wayland display");
        }
        if (wl_display_flush(log.display) < 0 && errno != EAGAIN) lost("Wayland display");
        if (poll(fds, 2, -1) < 0) {
            wl_display_cancel_read(log.display);
            if (errno == EINTR) continue;
            lost("poll");
        }
        if (fds[0].revents) {
            if (wl_display_read_events(log.display) < 0) lost("Wayland display");
        } else {
            wl_display_cancel_read(log.display);
        }
        if (wl_display_dispatch_pending(log.display) < 0) lost("Wayland display");
        if (fds[1].revents) {
            char chunk[256];
            const ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
            if (n < 0 && errno != EINTR && errno != EAGAIN) lost("stdin");
            input.append(chunk, std::max<ssize_t>(n, 0));
            for (std::size_t end; (end = input.find('\n')) != std::string::npos; input.erase(0, end + 1)) {
                command(log, input.substr(0, end));
            }
            if (n == 0) {
                if (!input.empty()) command(log, input);
                return 0;
            }
        }
    }
}
