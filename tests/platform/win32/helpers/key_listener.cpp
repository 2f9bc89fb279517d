// Helper: a focused window of its own process that appends every key message
// it receives to a log file, one line each (support/key_log.h), until told to end.
// Usage: win32_key_listener <log file> <ready event> <quit event>

#include <cstdio>

#include "helpers/wide_args.h"
#include "support/key_log.h"

int main() {
    const auto args = WideArgs();
    if (args.size() != 4) return 2;
    FILE* log = _wfopen(args[1].c_str(), L"w");
    if (!log) return 3;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, args[2].c_str());
    HANDLE quit = CreateEventW(nullptr, TRUE, FALSE, args[3].c_str());

    wintest::KeyLogWindow window(L"Zorvane key listener");
    window.onMessage = [log](const wintest::KeyMessage& m) {
        std::fprintf(log, "%s\n", m.line().c_str());
        std::fflush(log);
    };
    if (!window.activate()) return 4;
    SetEvent(ready);

    for (;;) {
        const DWORD r = MsgWaitForMultipleObjectsEx(1, &quit, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (r == WAIT_OBJECT_0) break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    std::fclose(log);
    return 0;
}
