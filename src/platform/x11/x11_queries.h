#pragma once
// What the session asks the X server, turned into plain data for the parts
// that decide: the input devices, the keys down, the modifier map. Each
// function that waits for a reply adds the round trips it made to `*trips`.

#include <xcb/xcb.h>
#include <xcb/xinput.h>
#include <optional>
#include <set>
#include <vector>

#include "platform/x11/devices.h"
#include "platform/x11/key_bits.h"
#include "platform/x11/layout.h"

namespace x11::query {

// The devices of the server; nothing when it listed none. Only the keyboards
// of the master applications type with are asked whether they are an XTest device.
std::optional<Devices> FindDevices(xcb_connection_t* c, unsigned* trips);

// Keys down for applications; nothing when the server gave no answer.
std::optional<KeyBits> LogicalKeys(xcb_connection_t* c, xcb_query_keymap_cookie_t cookie);
// Keys down on the devices, each opened first (the state request is XInput 1's); one by one.
KeyBits OpenAndReadKeysDown(xcb_connection_t* c, const std::set<DeviceId>& devices, unsigned* trips);

// Keys down on devices, asked all at once and read with KeysDown.
using DeviceStateCookies = std::vector<xcb_input_query_device_state_cookie_t>;
DeviceStateCookies AskKeysDown(xcb_connection_t* c, const std::set<DeviceId>& devices);
// Keys down on the devices asked; nothing when one gave no answer.
std::optional<KeyBits> KeysDown(xcb_connection_t* c, const DeviceStateCookies& cookies);

// The keycodes bound to each of the eight modifiers.
ModifierMap Modifiers(xcb_connection_t* c, unsigned* trips);

}  // namespace x11::query
