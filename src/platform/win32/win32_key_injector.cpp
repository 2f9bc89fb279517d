#include "platform/win32/win32_key_injector.h"

#include <windows.h>

#include "platform/win32/extended_keys.h"

namespace win32 {

namespace {

INPUT keyInput(std::uint8_t vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    return in;
}

}  // namespace

Win32KeyInjector::Win32KeyInjector() { MapVirtualKeyW('A', MAPVK_VK_TO_VSC); }

void Win32KeyInjector::send(std::uint8_t vk, bool up) {
    INPUT in = keyInput(vk, up);
    SendInput(1, &in, sizeof in);
}

void Win32KeyInjector::maskTap() {
    INPUT in[2] = {keyInput(kMaskKey, false), keyInput(kMaskKey, true)};
    SendInput(2, in, sizeof in[0]);
}

}  // namespace win32
