// A virtual keyboard (zwp_virtual_keyboard_v1) that types as the user would,
// for the Wayland tests. Its keymap is XKB's default (XKB_DEFAULT_LAYOUT etc.).
// Commands on stdin, one a line; each is answered "ok" or "error <why>" once
// the compositor has handled it:
//   down <keysym> | up <keysym> | tap <keysym>+<keysym>+… | sleep <ms>
// Keysyms are XKB names ("Control_L", "j", "F6"): the first key that has it
// at level 0. "ready" comes once the keymap is in place; end of input
// removes the keyboard (the compositor releases keys still down) and ends.
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "virtual-keyboard-unstable-v1-client.h"

namespace {

wl_seat* seat = nullptr;
zwp_virtual_keyboard_manager_v1* manager = nullptr;

void onGlobal(void*, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
    const std::string_view iface = interface;
    if (iface == wl_seat_interface.name && !seat) {
        seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (iface == zwp_virtual_keyboard_manager_v1_interface.name) {
        manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    }
}

void onGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

void say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "wl_user_keyboard: %s\n", why.c_str());
    std::exit(1);
}

struct Keyboard {
    zwp_virtual_keyboard_v1* vk;
    xkb_keymap* keymap;
    xkb_state* state;

    std::optional<xkb_keycode_t> keycodeOf(xkb_keysym_t keysym) const {
        for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap); code <= xkb_keymap_max_keycode(keymap); ++code) {
            const xkb_keysym_t* syms = nullptr;
            if (xkb_keymap_key_get_syms_by_level(keymap, code, 0, 0, &syms) > 0 && syms[0] == keysym) return code;
        }
        return std::nullopt;
    }

    // The compositor (wlroots) takes a virtual keyboard's modifiers only from
    // the client, so each key is followed by the state it leads to.
    void key(xkb_keycode_t code, bool down) {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        const auto ms = static_cast<std::uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
        zwp_virtual_keyboard_v1_key(vk, ms, code - 8,
                                    down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
        xkb_state_update_key(state, code, down ? XKB_KEY_DOWN : XKB_KEY_UP);
        zwp_virtual_keyboard_v1_modifiers(vk, xkb_state_serialize_mods(state, XKB_STATE_MODS_DEPRESSED),
                                          xkb_state_serialize_mods(state, XKB_STATE_MODS_LATCHED),
                                          xkb_state_serialize_mods(state, XKB_STATE_MODS_LOCKED),
                                          xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE));
    }

    // Returns an error, or nothing when done.
    std::string run(const std::string& line) {
        const auto space = line.find(' ');
        const std::string verb = line.substr(0, space);
        const std::string arg = space == std::string::npos ? "" : line.substr(space + 1);
        if (verb == "sleep") {
            try {
                std::this_thread::sleep_for(std::chrono::milliseconds(std::stoul(arg)));
            } catch (const std::exception&) {
                return "bad time: " + arg;
            }
            return {};
        }
        if (verb != "down" && verb != "up" && verb != "tap") return "unknown command: " + line;
        std::vector<xkb_keycode_t> codes;  // all found before any is sent
        std::size_t from = 0;
        for (;;) {
            const auto plus = verb == "tap" ? arg.find('+', from) : std::string::npos;
            const std::string name = arg.substr(from, plus == std::string::npos ? std::string::npos : plus - from);
            const xkb_keysym_t keysym = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
            if (keysym == XKB_KEY_NoSymbol) return "unknown keysym: " + name;
            const auto code = keycodeOf(keysym);
            if (!code) return "no key for " + name;
            codes.push_back(*code);
            if (plus == std::string::npos) break;
            from = plus + 1;
        }
        if (verb != "up") {
            for (auto code : codes) key(code, true);
        }
        if (verb != "down") {
            for (auto it = codes.rbegin(); it != codes.rend(); ++it) key(*it, false);
        }
        return {};
    }
};

}  // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) fail("cannot open the Wayland display");
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, nullptr);
    if (wl_display_roundtrip(display) < 0) fail("lost the Wayland display");
    if (!seat) fail("the compositor has no wl_seat");
    if (!manager) fail("the compositor has no zwp_virtual_keyboard_manager_v1");

    xkb_context* xkb = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap = xkb ? xkb_keymap_new_from_names(xkb, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr;
    if (!keymap) fail("cannot compile the default keymap");
    char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    const std::size_t size = std::strlen(text) + 1;
    const int fd = memfd_create("wl_user_keyboard", MFD_CLOEXEC);
    if (fd < 0 || write(fd, text, size) != static_cast<ssize_t>(size)) fail("cannot write the keymap");
    std::free(text);

    Keyboard kb{zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, seat), keymap, xkb_state_new(keymap)};
    zwp_virtual_keyboard_v1_keymap(kb.vk, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, size);
    close(fd);  // the request carries a copy
    if (wl_display_roundtrip(display) < 0) fail("lost the Wayland display");
    say("ready");

    for (std::string line; std::getline(std::cin, line);) {
        const std::string error = kb.run(line);
        if (wl_display_roundtrip(display) < 0) fail("lost the Wayland display");
        say(error.empty() ? "ok" : "error " + error);
    }
    zwp_virtual_keyboard_v1_destroy(kb.vk);
    if (wl_display_roundtrip(display) < 0) fail("lost the Wayland display");
    return 0;
}
