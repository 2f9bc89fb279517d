#pragma once
// Action strings: the stored description of a slot's target keys, a count of
// one to three followed by that many decimal virtual-key codes, each field
// separated by "|" (2|17|67 is Ctrl then C).

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace playback {

// The key codes to press, in order. Nothing when the string plays nothing: a
// count other than exactly "1", "2" or "3", fewer key fields than the count,
// or a key field that is not a number in 0-255. Fields past the count are
// never read.
std::optional<std::vector<std::uint8_t>> ParseActionString(std::string_view textall);

// Numeric conversion of one key field: decimal, surrounding blanks and
// leading zeros accepted, a fraction rounded to nearest with halves to even.
std::optional<std::uint8_t> ParseKeyField(std::string_view field);

}  // namespace playback
