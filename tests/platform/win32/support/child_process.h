#pragma once
#include <windows.h>
#include <string>

namespace wintest {

// A helper program run by a test. The test pumps its messages while it waits:
// the process's keyboard hook holds up every key event until this thread
// answers it, the helper's injected keys included.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();  // ends a helper still running

    // `program`: a helper built beside the test program (a name), a Windows
    // program by its full path, or a Unix program by its absolute path (Wine
    // runs those too).
    bool start(const std::wstring& program, const std::wstring& arguments);
    // True when the helper ended within the time.
    bool waitPumping(int timeoutMs);
    DWORD exitCode() const;
    bool running() const;
    DWORD id() const { return pi_.dwProcessId; }

    // The full path of a file beside the test program.
    static std::wstring besideThisProgram(const std::wstring& name);

private:
    PROCESS_INFORMATION pi_{};
};

// Another program's keys: the key sender helper (+vk presses, -vk releases,
// with SendInput and without the program's mark), run to its end.
bool SendKeys(const std::wstring& keys);

// A named event for one test process and purpose, to hand to a helper.
std::wstring EventName(const wchar_t* purpose);

}  // namespace wintest
