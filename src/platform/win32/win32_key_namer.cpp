#include "platform/win32/win32_key_namer.h"

#include <windows.h>

#include "platform/win32/extended_keys.h"

namespace win32 {

std::string Win32KeyNamer::name(int vk) {
    if (vk <= 0 || vk > 255) return {};
    const UINT scan = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC);
    if (scan == 0) return {};
    LONG lParam = static_cast<LONG>(scan << 16);
    if (IsExtendedKey(static_cast<std::uint8_t>(vk))) lParam |= 1 << 24;
    wchar_t wide[64];
    const int n = GetKeyNameTextW(lParam, wide, 64);
    if (n <= 0) return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, n, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, n, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

}  // namespace win32
