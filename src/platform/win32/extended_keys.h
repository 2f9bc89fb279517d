#pragma once
#include <cstdint>

namespace win32 {

// Keys whose scan code carries the E0 prefix on a PC keyboard. Sent or named
// without the extended flag they are other keys: Left is the keypad's 4,
// Delete the keypad's period, Divide the main block's slash.
bool IsExtendedKey(std::uint8_t vk);

}  // namespace win32
