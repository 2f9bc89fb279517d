#pragma once
#include <string>

namespace hotkey {

// The name a key is shown by in a chord's text: "A", "F5", "Left", "Home",
// "Num +", "Num 4" (the keypad's own 4 only). Empty for a code with no key.
std::string KeyDisplayName(int vk);

}  // namespace hotkey
