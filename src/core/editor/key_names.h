#pragma once
// The fixed vocabulary of keys a slot can play: 62 names, each standing for one
// Windows virtual-key code, and the list the editor's three pickers show.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace co {

// The code of a key name; exact and case-sensitive, nothing for any other text.
std::optional<std::uint16_t> KeyNameToVk(std::string_view name);

// The 63 picker entries: a blank entry, the named keys, L-1 … L-0, R-1 … R-0, A … Z.
const std::vector<std::string>& PickerList();

}  // namespace co
