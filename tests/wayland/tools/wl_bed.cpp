// The Wayland tests' own client, in two parts that share a connection: a
// window that logs the keys it gets, and a virtual keyboard (XKB's default
// keymap, XKB_DEFAULT_LAYOUT …) that types as the user. One line each:
//   out: ready | focus | unfocus | D <keysym> <mods> | U <keysym> <mods>
//        | held <keysyms…|-> mods <mods> | ok | error <why>
//   in:  down <keysym> | up <keysym> | tap <keysym>+<keysym>+… | sleep <ms> | state
// <keysym> is a key's level 0 name ("Control_L", "j"), <mods> the Control,
// Alt, Shift and Super letters in effect (C, A, S, W) or "-". Each command is
// answered once the compositor has handled it. The window's app_id and title
// is argv[1] or "zorvane-key-log". End of input removes the keyboard (the
// compositor lets go of its keys) and ends.
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "virtual-keyboard-unstable-v1-client.h"
#include "xdg-shell-client.h"

namespace {

wl_display* display;
wl_compositor* compositor;
wl_shm* shm;
wl_seat* seat;
xdg_wm_base* shell;
zwp_virtual_keyboard_manager_v1* manager;
wl_surface* surface;
wl_keyboard* keyboard;
xkb_context* xkb;
xkb_keymap* typing;  // the virtual keyboard's keymap
xkb_state* typingState;
xkb_keymap* seen;               // the keymap of the keys the window gets
std::uint32_t mods;             // theirs: depressed | latched
std::vector<std::string> held;  // keys the window saw go down and not up

void say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

[[noreturn]] void fail(const char* why) {
    std::fprintf(stderr, "wl_bed: %s\n", why);
    std::exit(1);
}

void roundTrip() {
    if (wl_display_roundtrip(display) < 0) fail("lost the Wayland display");
}

std::string levelZeroName(xkb_keymap* keymap, xkb_keycode_t code) {
    const xkb_keysym_t* syms = nullptr;
    char name[64];
    if (keymap && xkb_keymap_key_get_syms_by_level(keymap, code, 0, 0, &syms) > 0 &&
        xkb_keysym_get_name(syms[0], name, sizeof name) > 0)
        return name;
    return "key" + std::to_string(code);
}

std::string modLetters() {
    std::string out;
    const char* names[] = {XKB_MOD_NAME_CTRL, XKB_MOD_NAME_ALT, XKB_MOD_NAME_SHIFT, XKB_MOD_NAME_LOGO};
    for (int i = 0; i < 4; ++i)
        if (const xkb_mod_index_t m = seen ? xkb_keymap_mod_get_index(seen, names[i]) : XKB_MOD_INVALID;
            m != XKB_MOD_INVALID && (mods & (1u << m)))
            out += "CASW"[i];
    return out.empty() ? "-" : out;
}

// --- the window's keyboard ---------------------------------------------------

const wl_keyboard_listener keyboardListener = {
    .keymap =
        [](void*, wl_keyboard*, std::uint32_t, std::int32_t fd, std::uint32_t size) {
            void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
            close(fd);
            if (text == MAP_FAILED) return;
            xkb_keymap_unref(seen);
            seen = xkb_keymap_new_from_buffer(xkb, static_cast<const char*>(text),
                                              strnlen(static_cast<const char*>(text), size), XKB_KEYMAP_FORMAT_TEXT_V1,
                                              XKB_KEYMAP_COMPILE_NO_FLAGS);
            munmap(text, size);
        },
    .enter = [](void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) { say("focus"); },
    .leave = [](void*, wl_keyboard*, std::uint32_t, wl_surface*) { say("unfocus"); },
    .key =
        [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key, std::uint32_t state) {
            const std::string name = levelZeroName(seen, key + 8);
            const bool down = state == WL_KEYBOARD_KEY_STATE_PRESSED;
            std::erase(held, name);
            if (down) held.push_back(name);
            say((down ? "D " : "U ") + name + " " + modLetters());
        },
    .modifiers = [](void*, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched, std::uint32_t,
                    std::uint32_t) { mods = depressed | latched; },
    .repeat_info = [](void*, wl_keyboard*, std::int32_t, std::int32_t) {},
};

// The seat has a keyboard only once there is one: here, our own virtual one.
const wl_seat_listener seatListener = {
    .capabilities =
        [](void*, wl_seat* s, std::uint32_t caps) {
            if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !keyboard) {
                keyboard = wl_seat_get_keyboard(s);
                wl_keyboard_add_listener(keyboard, &keyboardListener, nullptr);
            }
        },
    .name = [](void*, wl_seat*, const char*) {},
};

// --- the window --------------------------------------------------------------

void draw() {
    constexpr int w = 300, h = 200, stride = w * 4;
    const int fd = memfd_create("wl_bed", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, stride * h) < 0) fail("no buffer");
    void* pixels = mmap(nullptr, stride * h, PROT_WRITE, MAP_SHARED, fd, 0);
    if (pixels == MAP_FAILED) fail("no buffer");
    std::fill_n(static_cast<std::uint32_t*>(pixels), w * h, 0xff3060a0u);
    munmap(pixels, stride * h);
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, stride * h);
    wl_surface_attach(surface, wl_shm_pool_create_buffer(pool, 0, w, h, stride, WL_SHM_FORMAT_XRGB8888), 0, 0);
    wl_shm_pool_destroy(pool);
    close(fd);
}

const xdg_wm_base_listener shellListener = {
    [](void*, xdg_wm_base* s, std::uint32_t serial) { xdg_wm_base_pong(s, serial); }};

const wl_callback_listener mappedListener = {[](void*, wl_callback* c, std::uint32_t) {
    wl_callback_destroy(c);
    say("ready");  // the compositor has the first frame: the window is mapped (and, in sway, focused once a keyboard is)
}};

const xdg_surface_listener surfaceListener = {[](void*, xdg_surface* s, std::uint32_t serial) {
    xdg_surface_ack_configure(s, serial);
    static bool drawn = false;
    if (!drawn) draw();
    wl_surface_commit(surface);
    if (!std::exchange(drawn, true)) wl_callback_add_listener(wl_display_sync(display), &mappedListener, nullptr);
}};

const wl_registry_listener registryListener = {
    .global =
        [](void*, wl_registry* r, std::uint32_t name, const char* interface, std::uint32_t version) {
            auto bind = [&](const wl_interface* i, std::uint32_t v) { return wl_registry_bind(r, name, i, v); };
            const std::string_view is = interface;
            if (is == wl_compositor_interface.name)
                compositor = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
            if (is == wl_shm_interface.name) shm = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
            if (is == xdg_wm_base_interface.name) shell = static_cast<xdg_wm_base*>(bind(&xdg_wm_base_interface, 1));
            if (is == zwp_virtual_keyboard_manager_v1_interface.name)
                manager =
                    static_cast<zwp_virtual_keyboard_manager_v1*>(bind(&zwp_virtual_keyboard_manager_v1_interface, 1));
            if (is == wl_seat_interface.name && !seat)
                seat = static_cast<wl_seat*>(bind(&wl_seat_interface, std::min(version, 5u)));
        },
    .global_remove = [](void*, wl_registry*, std::uint32_t) {},
};

// --- the user's keyboard -----------------------------------------------------

zwp_virtual_keyboard_v1* user;

// wlroots takes a virtual keyboard's modifiers only from its client: each key
// is followed by the state it leads to.
void key(xkb_keycode_t code, bool down) {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
    zwp_virtual_keyboard_v1_key(user, static_cast<std::uint32_t>(ms.count()), code - 8,
                                down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    xkb_state_update_key(typingState, code, down ? XKB_KEY_DOWN : XKB_KEY_UP);
    zwp_virtual_keyboard_v1_modifiers(user, xkb_state_serialize_mods(typingState, XKB_STATE_MODS_DEPRESSED),
                                      xkb_state_serialize_mods(typingState, XKB_STATE_MODS_LATCHED),
                                      xkb_state_serialize_mods(typingState, XKB_STATE_MODS_LOCKED),
                                      xkb_state_serialize_layout(typingState, XKB_STATE_LAYOUT_EFFECTIVE));
}

// What the command did: "ok", or "error <why>".
std::string run(const std::string& line) {
    const std::string verb = line.substr(0, line.find(' '));
    const std::string arg = line.size() > verb.size() ? line.substr(verb.size() + 1) : "";
    if (verb == "sleep") {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(arg.c_str())));
        return "ok";
    }
    if (verb == "state") {
        std::string keys;
        for (const std::string& k : held) keys += (keys.empty() ? "" : " ") + k;
        return "held " + (keys.empty() ? "-" : keys) + " mods " + modLetters();
    }
    if (verb != "down" && verb != "up" && verb != "tap") return "error unknown command: " + line;
    std::vector<xkb_keycode_t> codes;  // all found before any is sent
    for (std::size_t from = 0; from <= arg.size();) {
        const std::size_t plus = verb == "tap" ? std::min(arg.find('+', from), arg.size()) : arg.size();
        const std::string name = arg.substr(from, plus - from);
        const xkb_keysym_t sym = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
        xkb_keycode_t code = xkb_keymap_min_keycode(typing);
        for (const xkb_keysym_t* s = nullptr; code <= xkb_keymap_max_keycode(typing); ++code)
            if (xkb_keymap_key_get_syms_by_level(typing, code, 0, 0, &s) > 0 && s[0] == sym && sym) break;
        if (code > xkb_keymap_max_keycode(typing)) return "error no key for " + name;
        codes.push_back(code);
        from = plus + 1;
    }
    if (verb != "up")
        for (const xkb_keycode_t c : codes) key(c, true);
    if (verb != "down")
        for (auto c = codes.rbegin(); c != codes.rend(); ++c) key(*c, false);
    return "ok";
}

}  // namespace

int main(int argc, char** argv) {
    if (!(display = wl_display_connect(nullptr))) fail("cannot open the Wayland display");
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, nullptr);
    roundTrip();
    if (!compositor || !shm || !seat || !shell || !manager) fail("the compositor lacks a global this client needs");
    xkb = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!(typing = xkb_keymap_new_from_names(xkb, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS))) fail("no default keymap");
    typingState = xkb_state_new(typing);
    char* text = xkb_keymap_get_as_string(typing, XKB_KEYMAP_FORMAT_TEXT_V1);
    const std::size_t size = std::strlen(text) + 1;
    const int fd = memfd_create("wl_bed_keymap", MFD_CLOEXEC);
    if (fd < 0 || write(fd, text, size) != static_cast<ssize_t>(size)) fail("cannot write the keymap");
    std::free(text);
    user = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, seat);
    zwp_virtual_keyboard_v1_keymap(user, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, size);
    close(fd);  // the request carries a copy
    wl_seat_add_listener(seat, &seatListener, nullptr);
    xdg_wm_base_add_listener(shell, &shellListener, nullptr);
    surface = wl_compositor_create_surface(compositor);
    xdg_surface* xs = xdg_wm_base_get_xdg_surface(shell, surface);
    xdg_surface_add_listener(xs, &surfaceListener, nullptr);
    xdg_toplevel* top = xdg_surface_get_toplevel(xs);
    const char* id = argc > 1 ? argv[1] : "zorvane-key-log";
    xdg_toplevel_set_app_id(top, id);
    xdg_toplevel_set_title(top, id);
    wl_surface_commit(surface);  // no buffer yet: asks for the first configure

    std::string input;
    pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    for (;;) {
        while (wl_display_prepare_read(display) != 0) wl_display_dispatch_pending(display);
        wl_display_flush(display);
        if (poll(fds, 2, -1) < 0) {
            wl_display_cancel_read(display);
            continue;
        }
        if (fds[0].revents ? wl_display_read_events(display) < 0 : (wl_display_cancel_read(display), false))
            fail("lost the Wayland display");
        wl_display_dispatch_pending(display);
        if (!fds[1].revents) continue;
        char chunk[256];
        const ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
        input.append(chunk, std::max<ssize_t>(n, 0));
        for (std::size_t end; (end = input.find('\n')) != std::string::npos; input.erase(0, end + 1)) {
            const std::string line = input.substr(0, end);
            const std::string outcome = line == "state" ? "" : run(line);
            roundTrip();  // what the compositor sent before it saw this is logged first
            say(line == "state" ? run(line) : outcome);
        }
        if (n <= 0) break;
    }
    zwp_virtual_keyboard_v1_destroy(user);
    roundTrip();
}
