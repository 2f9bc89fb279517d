#include "core/hotkey/key_display_name.h"

#include <array>
#include <string_view>

#include "core/keys/virtual_keys.h"

namespace hotkey {

namespace {

struct Named {
    int vk;
    std::string_view name;
};

// The browser and media keys are known by Windows' codes alone.
// clang-format off
constexpr std::array kNames{
    Named{vk::Cancel, "Break"},             Named{vk::Back, "Backspace"},     Named{vk::Tab, "Tab"},
    Named{vk::Clear, "Clear"},              Named{vk::Return, "Enter"},       Named{vk::Shift, "Shift"},
    Named{vk::Control, "Ctrl"},             Named{vk::Menu, "Alt"},           Named{vk::Pause, "Pause"},
    Named{vk::Capital, "Caps Lock"},        Named{vk::Escape, "Esc"},         Named{vk::Space, "Space"},
    Named{vk::Prior, "Page Up"},            Named{vk::Next, "Page Down"},     Named{vk::End, "End"},
    Named{vk::Home, "Home"},                Named{vk::Left, "Left"},          Named{vk::Up, "Up"},
    Named{vk::Right, "Right"},              Named{vk::Down, "Down"},          Named{vk::Select, "Select"},
    Named{vk::Print, "Print"},              Named{vk::Execute, "Execute"},    Named{vk::Snapshot, "Print Screen"},
    Named{vk::Insert, "Insert"},            Named{vk::Delete, "Delete"},      Named{vk::Help, "Help"},
    Named{vk::LWin, "Left Windows"},        Named{vk::RWin, "Right Windows"}, Named{vk::Apps, "Application"},
    Named{vk::Sleep, "Sleep"},              Named{vk::Multiply, "Num *"},     Named{vk::Add, "Num +"},
    Named{vk::Separator, "Num Separator"},  Named{vk::Subtract, "Num -"},     Named{vk::Decimal, "Num ."},
    Named{vk::Divide, "Num /"},             Named{vk::NumLock, "Num Lock"},   Named{vk::Scroll, "Scroll Lock"},
    Named{vk::LShift, "Shift"},             Named{vk::RShift, "Right Shift"}, Named{vk::LControl, "Ctrl"},
    Named{vk::RControl, "Right Ctrl"},      Named{vk::LMenu, "Alt"},          Named{vk::RMenu, "Right Alt"},
    Named{vk::BrowserBack, "Browser Back"}, Named{0xA7, "Browser Forward"},   Named{0xA8, "Browser Refresh"},
    Named{0xA9, "Browser Stop"},            Named{0xAA, "Browser Search"},    Named{0xAB, "Browser Favorites"},
    Named{0xAC, "Browser Home"},            Named{0xAD, "Volume Mute"},       Named{0xAE, "Volume Down"},
    Named{0xAF, "Volume Up"},               Named{0xB0, "Next Track"},        Named{0xB1, "Previous Track"},
    Named{0xB2, "Stop Media"},              Named{0xB3, "Play/Pause"},        Named{0xB4, "Mail"},
    Named{0xB5, "Media"},                   Named{vk::OemSemicolon, ";"},     Named{vk::OemPlus, "="},
    Named{vk::OemComma, ","},               Named{vk::OemMinus, "-"},         Named{vk::OemPeriod, "."},
    Named{vk::OemSlash, "/"},               Named{vk::OemGrave, "`"},         Named{vk::OemOpenBracket, "["},
    Named{vk::OemBackslash, "\\"},          Named{vk::OemCloseBracket, "]"},  Named{vk::OemQuote, "'"},
    Named{vk::Oem102, "<"},
};
// clang-format on

}  // namespace

std::string KeyDisplayName(int vk) {
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return std::string(1, static_cast<char>(vk));
    if (vk >= vk::Numpad0 && vk <= vk::Numpad9) return "Num " + std::to_string(vk - vk::Numpad0);
    if (vk >= vk::F1 && vk <= vk::F24) return "F" + std::to_string(vk - vk::F1 + 1);
    for (const auto& n : kNames)
        if (n.vk == vk) return std::string(n.name);
    return {};
}

}  // namespace hotkey
