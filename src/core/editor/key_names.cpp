#include "core/editor/key_names.h"

#include <array>
#include <utility>

#include "core/keys/virtual_keys.h"

namespace co {

namespace {

struct NamedKey {
    std::string_view name;
    std::uint16_t code;
};

// Listed in the order the pickers show them. The operators are the numeric keypad's.
constexpr std::array<NamedKey, 16> kNamedKeys{{
    {"Shift", vk::Shift},
    {"Ctrl", vk::Control},
    {"Alt", vk::Menu},
    {"Win", vk::LWin},
    {"Enter", vk::Return},
    {"Backspace", vk::Back},
    {"Space", vk::Space},
    {"ESC", vk::Escape},
    {"LEFT", vk::Left},
    {"Right", vk::Right},
    {"UP", vk::Up},
    {"BOTTOM", vk::Down},
    {"+", vk::Add},
    {"-", vk::Subtract},
    {"*", vk::Multiply},
    {"/", vk::Divide},
}};

}  // namespace

std::optional<std::uint16_t> KeyNameToVk(std::string_view name) {
    for (const auto& k : kNamedKeys)
        if (k.name == name) return k.code;
    // "L-d": top-row digit; "R-d": numeric keypad digit.
    if (name.size() == 3 && name[1] == '-' && name[2] >= '0' && name[2] <= '9') {
        const auto digit = static_cast<std::uint16_t>(name[2] - '0');
        if (name[0] == 'L') return static_cast<std::uint16_t>('0' + digit);
        if (name[0] == 'R') return static_cast<std::uint16_t>(vk::Numpad0 + digit);
    }
    if (name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z') return static_cast<std::uint16_t>(name[0]);
    return std::nullopt;
}

const std::vector<std::string>& PickerList() {
    static const std::vector<std::string> list = [] {
        std::vector<std::string> l{""};
        for (const auto& k : kNamedKeys) l.emplace_back(k.name);
        for (const char side : {'L', 'R'})
            for (const char d : std::string_view("1234567890")) l.push_back(std::string{side, '-', d});
        for (char c = 'A'; c <= 'Z'; ++c) l.emplace_back(1, c);
        return l;
    }();
    return list;
}

}  // namespace co
