#include "support/listener_process.h"

#include "support/pump.h"

namespace wintest {

ListenerProcess::ListenerProcess()
    : log_(ChildProcess::besideThisProgram(L"listener-" + std::to_wstring(GetCurrentProcessId()) + L".log")),
      ready_(CreateEventW(nullptr, TRUE, FALSE, EventName(L"listener-ready").c_str())),
      quit_(CreateEventW(nullptr, TRUE, FALSE, EventName(L"listener-quit").c_str())) {
    helper_.start(L"win32_key_listener",
                  L"\"" + log_ + L"\" " + EventName(L"listener-ready") + L" " + EventName(L"listener-quit"));
}

ListenerProcess::~ListenerProcess() {
    SetEvent(quit_);
    helper_.waitPumping(5000);
    CloseHandle(ready_);
    CloseHandle(quit_);
    DeleteFileW(log_.c_str());
}

bool ListenerProcess::ready(int timeoutMs) {
    PumpUntil([this] { return WaitForSingleObject(ready_, 0) == WAIT_OBJECT_0 || !helper_.running(); }, timeoutMs);
    return WaitForSingleObject(ready_, 0) == WAIT_OBJECT_0;
}

std::vector<KeyMessage> ListenerProcess::finish() {
    // Whatever was sent is in its queue by now; let it handle that first.
    PumpFor(50);
    SetEvent(quit_);
    helper_.waitPumping(5000);
    return ReadKeyLog(log_);
}

}  // namespace wintest
