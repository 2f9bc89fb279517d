#include "support/unix_command.h"

#include <cstdio>

#include "support/child_process.h"
#include "support/file_bytes.h"
#include "support/pump.h"

namespace wintest {

std::wstring UnixPath(std::wstring path) {
    if (path.size() > 2 && (path[0] == L'Z' || path[0] == L'z') && path[1] == L':') path.erase(0, 2);
    for (auto& c : path)
        if (c == L'\\') c = L'/';
    return path;
}

std::optional<std::string> RunUnix(const std::wstring& commandLine, int timeoutMs) {
    static int runs = 0;
    const std::wstring base = ChildProcess::besideThisProgram(L"unix-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                                              std::to_wstring(++runs));
    const std::wstring done = base + L".status", output = base + L".out";
    DeleteFileW(done.c_str());
    // Wine gives no process handle to wait on for a Unix program: the shell
    // writes the exit status to a file when it is done (whole, by a rename).
    const std::wstring status = UnixPath(done), out = UnixPath(output);
    // Nor a way to stop it: `timeout` ends it (and what it started) soon
    // after we stop waiting, so that a command that never ends, such as an
    // xdotool search for a window that never appears, does not keep the
    // test's output pipe open until ctest gives up on the whole test.
    const std::wstring limit = std::to_wstring(timeoutMs / 1000 + 2);
    ChildProcess shell;
    if (!shell.start(L"/usr/bin/timeout", L"-k 1 " + limit + L" /bin/sh -c \"" + commandLine + L" > '" + out +
                                              L"'; echo $? > '" + status + L".tmp' && mv '" + status + L".tmp' '" +
                                              status + L"'\""))
        return std::nullopt;
    const bool ended =
        PumpUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeoutMs);
    const std::string code = ReadBytes(done), text = ReadBytes(output);
    DeleteFileW(done.c_str());
    DeleteFileW(output.c_str());
    if (!ended || code.empty() || code[0] != '0') return std::nullopt;
    return text;
}

bool Xdotool(const std::wstring& arguments, int timeoutMs) {
    return RunUnix(L"/usr/bin/xdotool " + arguments, timeoutMs).has_value();
}

}  // namespace wintest
