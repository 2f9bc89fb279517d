#pragma once
// Windows virtual-key codes and X keysyms: the one table that both key
// injection and chord capture use, so a set.ini means the same keys on
// Windows and on X11.

#include <cstdint>

namespace x11 {

using Keysym = std::uint32_t;

// The keysym a virtual-key code types, unshifted; 0 when the code has none.
Keysym VkToKeysym(std::uint8_t vk);

// The virtual-key code of a key whose unshifted keysym is given; 0 when none.
// Either Shift, Ctrl or Alt gives the generic vk::Shift, vk::Control or
// vk::Menu; the left and right Windows keys stay apart (vk::LWin, vk::RWin).
std::uint8_t KeysymToVk(Keysym keysym);

// As KeysymToVk, but with the sides of Shift, Ctrl and Alt apart (vk::LShift … vk::RMenu),
// for telling which key exactly is down.
std::uint8_t KeysymToSidedVk(Keysym keysym);

}  // namespace x11
