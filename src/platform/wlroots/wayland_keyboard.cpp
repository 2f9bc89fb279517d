#include "platform/wlroots/wayland_keyboard.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "core/diag/diag.h"
#include "platform/wlroots/trace.h"
#include "virtual-keyboard-unstable-v1-client.h"

namespace wlroots {

namespace {

std::uint32_t nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::uint32_t>(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

xkb_keymap* compile(xkb_context* context, const std::string& text) {
    return xkb_keymap_new_from_string(context, text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
}

std::string textOf(xkb_keymap* keymap) {
    char* s = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    std::string text = s ? s : "";
    std::free(s);
    return text;
}

}  // namespace

const wl_registry_listener WaylandKeyboard::kRegistry = {
    .global =
        [](void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version) {
            auto* self = static_cast<WaylandKeyboard*>(data);
            if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->seat_) {
                self->seat_ = static_cast<wl_seat*>(
                    wl_registry_bind(registry, name, &wl_seat_interface, std::min<std::uint32_t>(version, 5)));
                wl_seat_add_listener(self->seat_, &kSeat, self);
            } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
                self->manager_ = static_cast<zwp_virtual_keyboard_manager_v1*>(
                    wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
            }
        },
    .global_remove = [](void*, wl_registry*, std::uint32_t) {},
};

const wl_seat_listener WaylandKeyboard::kSeat = {
    .capabilities =
        [](void* data, wl_seat* seat, std::uint32_t caps) {
            auto* self = static_cast<WaylandKeyboard*>(data);
            const bool has = caps & WL_SEAT_CAPABILITY_KEYBOARD;
            if (has && !self->keyboard_) {
                self->keyboard_ = wl_seat_get_keyboard(seat);
                wl_keyboard_add_listener(self->keyboard_, &kKeyboard, self);
            } else if (!has && self->keyboard_) {
                wl_keyboard_destroy(std::exchange(self->keyboard_, nullptr));
            }
        },
    .name = [](void*, wl_seat*, const char*) {},
};

// Only the keymap matters: it is the one the user's keyboard types with.
const wl_keyboard_listener WaylandKeyboard::kKeyboard = {
    .keymap =
        [](void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size) {
            if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) static_cast<WaylandKeyboard*>(data)->takeKeymap(fd, size);
            ::close(fd);
        },
    .enter = [](void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {},
    .leave = [](void*, wl_keyboard*, std::uint32_t, wl_surface*) {},
    .key = [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
    .modifiers = [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
    .repeat_info = [](void*, wl_keyboard*, std::int32_t, std::int32_t) {},
};

Expected<std::shared_ptr<WaylandKeyboard>> WaylandKeyboard::open() {
    std::shared_ptr<WaylandKeyboard> k(new WaylandKeyboard());
    if (Result r = k->connect(); !r) return r;
    return k;
}

Result WaylandKeyboard::connect() {
    display_ = wl_display_connect(nullptr);
    if (!display_)
        return Result::failure(std::string("cannot connect to the Wayland display: ") + std::strerror(errno));
    context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &kRegistry, this);
    wl_display_roundtrip(display_);
    if (!manager_)
        return Result::failure("the compositor offers no virtual keyboards (zwp_virtual_keyboard_manager_v1)");
    if (!seat_) return Result::failure("the compositor has no seat");
    // The seat's capabilities, then the keymap of its keyboard.
    wl_display_roundtrip(display_);
    wl_display_roundtrip(display_);
    origin_ = "the keymap of the seat's keyboard";
    if (!keys_) {
        // No keyboard on the seat yet: the layout the environment names (XKB_DEFAULT_*), as the compositor's default.
        xkb_keymap* keymap = xkb_keymap_new_from_names(context_, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS);
        if (!keymap) return Result::failure("no keymap: the seat has no keyboard and xkbcommon has no default layout");
        useKeymap(keymap, textOf(keymap));
        xkb_keymap_unref(keymap);
        origin_ = "the default layout (the seat had no keyboard yet)";
    }
    virtual_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager_, seat_);
    useKeymap(nullptr, keymapText_);
    wl_display_roundtrip(display_);
    if (const int e = wl_display_get_error(display_))
        return Result::failure(std::string("the compositor refused the virtual keyboard: ") + std::strerror(e));
    notifier_ = std::make_unique<QSocketNotifier>(wl_display_get_fd(display_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { dispatch(); });
    return Result::success();
}

WaylandKeyboard::~WaylandKeyboard() {
    notifier_.reset();
    // The compositor lets go of every key this keyboard still holds.
    if (virtual_) zwp_virtual_keyboard_v1_destroy(virtual_);
    if (keyboard_) wl_keyboard_destroy(keyboard_);
    if (manager_) zwp_virtual_keyboard_manager_v1_destroy(manager_);
    if (seat_) wl_seat_destroy(seat_);
    if (registry_) wl_registry_destroy(registry_);
    if (display_) {
        wl_display_roundtrip(display_);
        wl_display_disconnect(display_);
    }
    if (state_) xkb_state_unref(state_);
    keys_.reset();
    if (context_) xkb_context_unref(context_);
}

void WaylandKeyboard::dispatch() {
    while (wl_display_prepare_read(display_) != 0) wl_display_dispatch_pending(display_);
    wl_display_flush(display_);
    if (wl_display_read_events(display_) < 0 || wl_display_dispatch_pending(display_) < 0) {
        notifier_->setEnabled(false);
        diag::Report(std::string("the connection to the Wayland compositor broke: ") +
                     std::strerror(wl_display_get_error(display_)));
    }
}

void WaylandKeyboard::takeKeymap(int fd, std::uint32_t size) {
    void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (data == MAP_FAILED) return;
    std::string text(static_cast<const char*>(data), ::strnlen(static_cast<const char*>(data), size));
    ::munmap(data, size);
    // The compositor sends the keymap of whichever keyboard typed last, ours included.
    if (text == keymapText_) return waitingKeymap_.clear();
    if (!down_.empty()) {
        waitingKeymap_ = std::move(text);
        return;
    }
    if (xkb_keymap* keymap = compile(context_, text)) {
        useKeymap(keymap, std::move(text));
        xkb_keymap_unref(keymap);
        flush();
    }
}

void WaylandKeyboard::useKeymap(xkb_keymap* keymap, std::string text) {
    if (keymap) {
        keys_ = std::make_unique<XkbKeys>(keymap);
        if (state_) xkb_state_unref(state_);
        state_ = xkb_state_new(keymap);
        keymapText_ = std::move(text);
    }
    if (!virtual_) return;
    const int fd = ::memfd_create("zorvane-keymap", MFD_CLOEXEC);
    if (fd < 0) return;
    const std::size_t size = keymapText_.size() + 1;
    if (::write(fd, keymapText_.c_str(), size) == static_cast<ssize_t>(size))
        zwp_virtual_keyboard_v1_keymap(virtual_, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                       static_cast<std::uint32_t>(size));
    ::close(fd);  // the request carries a copy
}

void WaylandKeyboard::key(xkb_keycode_t keycode, bool down) {
    if (!virtual_ || keycode < 8) return;
    zwp_virtual_keyboard_v1_key(virtual_, nowMs(), keycode - 8,
                                down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    xkb_state_update_key(state_, keycode, down ? XKB_KEY_DOWN : XKB_KEY_UP);
    if (down)
        down_.insert(keycode);
    else
        down_.erase(keycode);
    // The compositor does not work out a virtual keyboard's modifiers from its keys.
    sendModifiers();
    if (!down && down_.empty()) Trace("keys up");
    if (down_.empty() && !waitingKeymap_.empty()) {
        std::string text = std::exchange(waitingKeymap_, {});
        if (xkb_keymap* keymap = compile(context_, text)) {
            useKeymap(keymap, std::move(text));
            xkb_keymap_unref(keymap);
        }
    }
}

void WaylandKeyboard::sendModifiers() {
    zwp_virtual_keyboard_v1_modifiers(virtual_, xkb_state_serialize_mods(state_, XKB_STATE_MODS_DEPRESSED),
                                      xkb_state_serialize_mods(state_, XKB_STATE_MODS_LATCHED),
                                      xkb_state_serialize_mods(state_, XKB_STATE_MODS_LOCKED),
                                      xkb_state_serialize_layout(state_, XKB_STATE_LAYOUT_EFFECTIVE));
}

std::uint32_t WaylandKeyboard::modifiers() const {
    return keys_->swayMask(xkb_state_serialize_mods(
        state_, static_cast<xkb_state_component>(XKB_STATE_MODS_DEPRESSED | XKB_STATE_MODS_LATCHED)));
}

void WaylandKeyboard::flush() { wl_display_flush(display_); }

void WaylandKeyboard::roundTrip() { wl_display_roundtrip(display_); }

}  // namespace wlroots
