#include "platform/win32/extended_keys.h"

#include "core/keys/virtual_keys.h"

namespace win32 {

bool IsExtendedKey(std::uint8_t vk) {
    switch (vk) {
        case vk::Cancel:  // Break (Ctrl+Pause)
        case vk::Prior:
        case vk::Next:
        case vk::End:
        case vk::Home:
        case vk::Left:
        case vk::Up:
        case vk::Right:
        case vk::Down:
        case vk::Insert:
        case vk::Delete:
        case vk::Snapshot:  // PrintScreen: E0 37 on the keyboard
        case vk::LWin:
        case vk::RWin:
        case vk::Apps:
        case vk::Sleep:
        case vk::Divide:  // Num /
        case vk::NumLock:
        case vk::RControl:
        case vk::RMenu: return true;
        default:
            // Browser, media and application-launch keys.
            return vk >= vk::BrowserBack && vk <= vk::LaunchApp2;
    }
}

}  // namespace win32
