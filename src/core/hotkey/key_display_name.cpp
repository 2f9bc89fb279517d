#include "core/hotkey/key_display_name.h"

#include <array>
#include <string_view>

namespace hotkey {

namespace {

struct Named {
    int vk;
    std::string_view name;
};

constexpr std::array kNames{
    Named{0x03, "Break"},        Named{0x08, "Backspace"},     Named{0x09, "Tab"},
    Named{0x0C, "Clear"},        Named{0x0D, "Enter"},         Named{0x10, "Shift"},
    Named{0x11, "Ctrl"},         Named{0x12, "Alt"},           Named{0x13, "Pause"},
    Named{0x14, "Caps Lock"},    Named{0x1B, "Esc"},           Named{0x20, "Space"},
    Named{0x21, "Page Up"},      Named{0x22, "Page Down"},     Named{0x23, "End"},
    Named{0x24, "Home"},         Named{0x25, "Left"},          Named{0x26, "Up"},
    Named{0x27, "Right"},        Named{0x28, "Down"},          Named{0x29, "Select"},
    Named{0x2A, "Print"},        Named{0x2B, "Execute"},       Named{0x2C, "Print Screen"},
    Named{0x2D, "Insert"},       Named{0x2E, "Delete"},        Named{0x2F, "Help"},
    Named{0x5B, "Left Windows"}, Named{0x5C, "Right Windows"}, Named{0x5D, "Application"},
    Named{0x5F, "Sleep"},        Named{0x6A, "Num *"},         Named{0x6B, "Num +"},
    Named{0x6C, "Num Separator"}, Named{0x6D, "Num -"},        Named{0x6E, "Num ."},
    Named{0x6F, "Num /"},        Named{0x90, "Num Lock"},      Named{0x91, "Scroll Lock"},
    Named{0xA0, "Shift"},        Named{0xA1, "Right Shift"},   Named{0xA2, "Ctrl"},
    Named{0xA3, "Right Ctrl"},   Named{0xA4, "Alt"},           Named{0xA5, "Right Alt"},
    Named{0xA6, "Browser Back"}, Named{0xA7, "Browser Forward"}, Named{0xA8, "Browser Refresh"},
    Named{0xA9, "Browser Stop"}, Named{0xAA, "Browser Search"}, Named{0xAB, "Browser Favorites"},
    Named{0xAC, "Browser Home"}, Named{0xAD, "Volume Mute"},   Named{0xAE, "Volume Down"},
    Named{0xAF, "Volume Up"},    Named{0xB0, "Next Track"},    Named{0xB1, "Previous Track"},
    Named{0xB2, "Stop Media"},   Named{0xB3, "Play/Pause"},    Named{0xB4, "Mail"},
    Named{0xB5, "Media"},        Named{0xBA, ";"},             Named{0xBB, "="},
    Named{0xBC, ","},            Named{0xBD, "-"},             Named{0xBE, "."},
    Named{0xBF, "/"},            Named{0xC0, "`"},             Named{0xDB, "["},
    Named{0xDC, "\\"},           Named{0xDD, "]"},             Named{0xDE, "'"},
    Named{0xE2, "<"},
};

}  // namespace

std::string KeyDisplayName(int vk) {
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return std::string(1, static_cast<char>(vk));
    if (vk >= 0x60 && vk <= 0x69) return "Num " + std::to_string(vk - 0x60);
    if (vk >= 0x70 && vk <= 0x87) return "F" + std::to_string(vk - 0x70 + 1);
    for (const auto& n : kNames)
        if (n.vk == vk) return std::string(n.name);
    return {};
}

}  // namespace hotkey
