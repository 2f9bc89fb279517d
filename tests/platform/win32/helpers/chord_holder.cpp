// Helper: another program that holds a chord (RegisterHotKey) until told to end.
// Usage: win32_chord_holder <modifier mask> <virtual-key code> <ready event> <quit event> [keep-trying]
// Exit code 0 after holding it, 5 when the chord was taken already. With
// keep-trying it asks again until the chord is free, as a program that wants
// the chord at any moment it is let go of would.

#include "helpers/wide_args.h"

int main() {
    const auto args = WideArgs();
    const bool keepTrying = args.size() == 6 && args[5] == L"keep-trying";
    if (args.size() != 5 && !keepTrying) return 2;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, args[3].c_str());
    HANDLE quit = CreateEventW(nullptr, TRUE, FALSE, args[4].c_str());
    while (!RegisterHotKey(nullptr, 1, std::stoul(args[1]), std::stoul(args[2])))
        if (!keepTrying || WaitForSingleObject(quit, 1) == WAIT_OBJECT_0) return 5;
    SetEvent(ready);
    for (;;) {
        const DWORD r = MsgWaitForMultipleObjectsEx(1, &quit, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (r != WAIT_OBJECT_0 + 1) break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    UnregisterHotKey(nullptr, 1);
    return 0;
}
