#include "platform/x11/x11_queries.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace x11::query {

namespace {

template <class T>
struct Freer {
    void operator()(T* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, Freer<T>>;

// Keys down in a 32-byte key vector of the protocol.
KeyBits BitsOf(const std::uint8_t* keys) {
    KeyBits down;
    for (int kc = 8; kc < 256; ++kc)
        if (keys[kc / 8] & (1u << (kc % 8))) down.set(kc);
    return down;
}

KeyBits KeysOfState(const xcb_input_query_device_state_reply_t* state) {
    KeyBits down;
    for (auto s = xcb_input_query_device_state_classes_iterator(state); s.rem; xcb_input_input_state_next(&s))
        if (s.data->class_id == XCB_INPUT_INPUT_CLASS_KEY)
            down |= BitsOf(reinterpret_cast<const xcb_input_key_state_t*>(s.data)->keys);
    return down;
}

DeviceInfo::Type TypeOf(std::uint16_t type) {
    switch (type) {
        case XCB_INPUT_DEVICE_TYPE_MASTER_POINTER: return DeviceInfo::Type::MasterPointer;
        case XCB_INPUT_DEVICE_TYPE_MASTER_KEYBOARD: return DeviceInfo::Type::MasterKeyboard;
        case XCB_INPUT_DEVICE_TYPE_SLAVE_POINTER: return DeviceInfo::Type::SlavePointer;
        case XCB_INPUT_DEVICE_TYPE_SLAVE_KEYBOARD: return DeviceInfo::Type::SlaveKeyboard;
        default: return DeviceInfo::Type::Floating;
    }
}

}  // namespace

std::optional<Devices> FindDevices(xcb_connection_t* c, unsigned* trips) {
    Reply<xcb_input_xi_get_client_pointer_reply_t> cp(
        xcb_input_xi_get_client_pointer_reply(c, xcb_input_xi_get_client_pointer(c, XCB_NONE), nullptr));
    Reply<xcb_input_xi_query_device_reply_t> list(
        xcb_input_xi_query_device_reply(c, xcb_input_xi_query_device(c, XCB_INPUT_DEVICE_ALL), nullptr));
    *trips += 2;
    if (!list) return std::nullopt;
    constexpr char kXTest[] = "XTEST Device";
    Reply<xcb_intern_atom_reply_t> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof kXTest - 1, kXTest), nullptr));
    ++*trips;
    const xcb_atom_t xtestAtom = atom ? atom->atom : xcb_atom_t{XCB_ATOM_NONE};

    std::vector<DeviceInfo> infos;
    for (auto it = xcb_input_xi_query_device_infos_iterator(list.get()); it.rem; xcb_input_xi_device_info_next(&it))
        infos.push_back({it.data->deviceid, TypeOf(it.data->type), it.data->attachment, false});
    const DeviceId clientPointer = cp ? cp->deviceid : 0;
    for (const DeviceId id : Devices::SlavesOf(infos, Devices::ChooseKeyboard(infos, clientPointer))) {
        Reply<xcb_input_xi_list_properties_reply_t> props(
            xcb_input_xi_list_properties_reply(c, xcb_input_xi_list_properties(c, id), nullptr));
        ++*trips;
        if (!props) continue;
        const xcb_atom_t* atoms = xcb_input_xi_list_properties_properties(props.get());
        const int n = xcb_input_xi_list_properties_properties_length(props.get());
        const bool xtest = std::find(atoms, atoms + n, xtestAtom) != atoms + n;
        for (DeviceInfo& d : infos)
            if (d.id == id) d.xtest = xtest;
    }
    return Devices(infos, clientPointer);
}

std::optional<KeyBits> LogicalKeys(xcb_connection_t* c, xcb_query_keymap_cookie_t cookie) {
    Reply<xcb_query_keymap_reply_t> keys(xcb_query_keymap_reply(c, cookie, nullptr));
    if (!keys) return std::nullopt;
    return BitsOf(keys->keys);
}

KeyBits OpenAndReadKeysDown(xcb_connection_t* c, const std::set<DeviceId>& devices, unsigned* trips) {
    KeyBits down;
    for (const DeviceId id : devices) {
        const auto small = static_cast<std::uint8_t>(id);
        std::free(xcb_input_open_device_reply(c, xcb_input_open_device(c, small), nullptr));
        Reply<xcb_input_query_device_state_reply_t> state(
            xcb_input_query_device_state_reply(c, xcb_input_query_device_state(c, small), nullptr));
        *trips += 2;
        if (state) down |= KeysOfState(state.get());
    }
    return down;
}

DeviceStateCookies AskKeysDown(xcb_connection_t* c, const std::set<DeviceId>& devices) {
    DeviceStateCookies cookies;
    for (const DeviceId id : devices) cookies.push_back(xcb_input_query_device_state(c, static_cast<std::uint8_t>(id)));
    return cookies;
}

std::optional<KeyBits> KeysDown(xcb_connection_t* c, const DeviceStateCookies& cookies) {
    KeyBits down;
    bool all = true;
    for (const auto& cookie : cookies) {
        Reply<xcb_input_query_device_state_reply_t> state(xcb_input_query_device_state_reply(c, cookie, nullptr));
        if (state)
            down |= KeysOfState(state.get());
        else
            all = false;
    }
    if (!all) return std::nullopt;
    return down;
}

ModifierMap Modifiers(xcb_connection_t* c, unsigned* trips) {
    ModifierMap modifiers;
    Reply<xcb_get_modifier_mapping_reply_t> mm(xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
    ++*trips;
    if (!mm) return modifiers;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(mm.get());
    for (int mod = 0; mod < 8; ++mod)
        for (int i = 0; i < mm->keycodes_per_modifier; ++i)
            if (const xcb_keycode_t kc = codes[mod * mm->keycodes_per_modifier + i]) modifiers[mod].push_back(kc);
    return modifiers;
}

}  // namespace x11::query
