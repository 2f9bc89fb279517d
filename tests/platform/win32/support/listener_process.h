#pragma once
// The key listener helper (a focused window of another process) and its log.

#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/key_log.h"

namespace wintest {

class ListenerProcess {
public:
    ListenerProcess();
    ~ListenerProcess();
    // True once its window is the focused foreground window.
    bool ready(int timeoutMs = 10000);
    // Ends the listener and returns every key message it logged.
    std::vector<KeyMessage> finish();

private:
    std::wstring log_;
    HANDLE ready_, quit_;
    ChildProcess helper_;
};

}  // namespace wintest
