#include "platform/x11/x11_keyboard_state.h"

#include <cstdlib>
#include <cstring>
#include <xcb/xinput.h>

#include "platform/x11/keymap.h"
#include "platform/x11/vk_keysym.h"

namespace x11 {

std::unique_ptr<X11KeyboardState> X11KeyboardState::open(const char* displayName) {
    xcb_connection_t* c = xcb_connect(displayName, nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return nullptr;
    }
    auto* version = xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr);
    const bool xi2 = version && version->major_version >= 2;
    std::free(version);
    if (!xi2) {
        xcb_disconnect(c);
        return nullptr;
    }
    return std::unique_ptr<X11KeyboardState>(new X11KeyboardState(c));
}

X11KeyboardState::X11KeyboardState(xcb_connection_t* c) : c_(c) {
    constexpr char kName[] = "XTEST Device";
    auto* atom = xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 1, sizeof kName - 1, kName), nullptr);
    if (atom) xtestAtom_ = atom->atom;
    std::free(atom);
}

X11KeyboardState::~X11KeyboardState() { xcb_disconnect(c_); }

platform::KeySet X11KeyboardState::toVks(const std::uint8_t (&keys)[32]) {
    Keymap keymap;
    keymap.load(c_);
    platform::KeySet set;
    for (int kc = 8; kc < 256; ++kc)
        if (keys[kc / 8] & (1u << (kc % 8)))
            if (const std::uint8_t vk = KeysymToSidedVk(keymap.keysymAt(static_cast<xcb_keycode_t>(kc), 0)))
                set.set(vk);
    return set;
}

platform::KeySet X11KeyboardState::logicalDown() {
    auto* reply = xcb_query_keymap_reply(c_, xcb_query_keymap(c_), nullptr);
    if (!reply) return {};
    std::uint8_t keys[32];
    std::memcpy(keys, reply->keys, sizeof keys);
    std::free(reply);
    return toVks(keys);
}

platform::KeySet X11KeyboardState::physicalDown() {
    std::uint8_t keys[32] = {};
    // Devices come and go (a keyboard plugged in): list them every time.
    auto* devices = xcb_input_xi_query_device_reply(c_, xcb_input_xi_query_device(c_, XCB_INPUT_DEVICE_ALL), nullptr);
    if (!devices) return {};
    for (auto it = xcb_input_xi_query_device_infos_iterator(devices); it.rem; xcb_input_xi_device_info_next(&it)) {
        const xcb_input_xi_device_info_t* info = it.data;
        if (info->type != XCB_INPUT_DEVICE_TYPE_SLAVE_KEYBOARD) continue;

        bool injected = false;
        auto* props = xcb_input_xi_list_properties_reply(c_, xcb_input_xi_list_properties(c_, info->deviceid), nullptr);
        if (props) {
            const xcb_atom_t* atoms = xcb_input_xi_list_properties_properties(props);
            for (int i = 0; i < xcb_input_xi_list_properties_properties_length(props); ++i)
                injected = injected || atoms[i] == xtestAtom_;
            std::free(props);
        }
        if (injected) continue;

        const auto id = static_cast<std::uint8_t>(info->deviceid);
        if (!opened_.count(id)) {
            std::free(xcb_input_open_device_reply(c_, xcb_input_open_device(c_, id), nullptr));
            opened_.insert(id);
        }
        auto* state = xcb_input_query_device_state_reply(c_, xcb_input_query_device_state(c_, id), nullptr);
        if (!state) continue;
        for (auto s = xcb_input_query_device_state_classes_iterator(state); s.rem; xcb_input_input_state_next(&s)) {
            if (s.data->class_id != XCB_INPUT_INPUT_CLASS_KEY) continue;
            const auto* k = reinterpret_cast<const xcb_input_key_state_t*>(s.data);
            for (int i = 0; i < 32; ++i) keys[i] |= k->keys[i];
        }
        std::free(state);
    }
    std::free(devices);
    return toVks(keys);
}

}  // namespace x11
