#pragma once
// Keys by X keycode, as the backend's parts that make no requests speak of them.

#include <bitset>
#include <cstdint>

namespace x11 {

using Keycode = std::uint8_t;
using KeyBits = std::bitset<256>;  // by keycode

}  // namespace x11
