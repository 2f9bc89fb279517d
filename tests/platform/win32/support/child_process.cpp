#include "support/child_process.h"

#include <vector>

#include "support/pump.h"

namespace wintest {

std::wstring ChildProcess::besideThisProgram(const std::wstring& name) {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir(self, n);
    dir.erase(dir.find_last_of(L"\\/") + 1);
    return dir + name;
}

bool ChildProcess::start(const std::wstring& program, const std::wstring& arguments) {
    // A Unix program or a Windows path as it is; a helper by its name.
    const bool isPath = program.front() == L'/' || program.find(L'\\') != std::wstring::npos;
    const std::wstring path = isPath ? program : besideThisProgram(program + L".exe");
    std::wstring line = L"\"" + path + L"\" " + arguments;
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(L'\0');
    STARTUPINFOW si{};
    si.cb = sizeof si;
    return CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_) != 0;
}

bool ChildProcess::running() const { return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }

bool ChildProcess::waitPumping(int timeoutMs) {
    if (!pi_.hProcess) return false;
    return PumpUntil([this] { return !running(); }, timeoutMs);
}

DWORD ChildProcess::exitCode() const {
    DWORD code = STILL_ACTIVE;
    if (pi_.hProcess) GetExitCodeProcess(pi_.hProcess, &code);
    return code;
}

ChildProcess::~ChildProcess() {
    if (!pi_.hProcess) return;
    if (running()) TerminateProcess(pi_.hProcess, 1);
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
}

bool SendKeys(const std::wstring& keys) {
    ChildProcess sender;
    return sender.start(L"win32_key_sender", keys) && sender.waitPumping(10000) && sender.exitCode() == 0;
}

std::wstring EventName(const wchar_t* purpose) {
    return L"zorvane-win32-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + purpose;
}

}  // namespace wintest
