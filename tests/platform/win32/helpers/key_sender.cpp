// Helper: another program that types keys with SendInput, one event per
// argument: +vk presses, -vk releases (decimal virtual-key codes); ~ms waits.
// Usage: win32_key_sender +17 +67 ~5 -67 -17

#include "helpers/wide_args.h"

int main() {
    const auto args = WideArgs();
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        if (a.size() >= 2 && a[0] == L'~') {
            Sleep(std::stoul(a.substr(1)));
            continue;
        }
        if (a.size() < 2 || (a[0] != L'+' && a[0] != L'-')) return 2;
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = static_cast<WORD>(std::stoul(a.substr(1)));
        in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(in.ki.wVk, MAPVK_VK_TO_VSC));
        in.ki.dwFlags = a[0] == L'-' ? KEYEVENTF_KEYUP : 0;
        if (SendInput(1, &in, sizeof in) != 1) return 3;
    }
    return 0;
}
