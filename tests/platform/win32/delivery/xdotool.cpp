#include "delivery/xdotool.h"

#include <cstdio>

#include "support/child_process.h"
#include "support/pump.h"

namespace wintest {

namespace {

// The Unix path of a file on Wine's drive Z: (the Unix root).
std::wstring unixPath(std::wstring path) {
    if (path.size() > 2 && (path[0] == L'Z' || path[0] == L'z') && path[1] == L':') path.erase(0, 2);
    for (auto& c : path)
        if (c == L'\\') c = L'/';
    return path;
}

}  // namespace

bool Xdotool(const std::wstring& arguments, int timeoutMs) {
    static int runs = 0;
    const std::wstring done = ChildProcess::besideThisProgram(L"xdotool-" + std::to_wstring(GetCurrentProcessId()) +
                                                              L"-" + std::to_wstring(++runs) + L".status");
    DeleteFileW(done.c_str());
    // Wine gives no process handle to wait on for a Unix program: a shell
    // writes xdotool's exit status to a file when it is done (whole, by a rename).
    const std::wstring file = unixPath(done);
    ChildProcess shell;
    if (!shell.start(L"/bin/sh", L"-c \"/usr/bin/xdotool " + arguments + L"; echo $? > '" + file + L".tmp' && mv '" +
                                     file + L".tmp' '" + file + L"'\""))
        return false;
    if (!PumpUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeoutMs))
        return false;
    int status = -1;
    if (FILE* f = _wfopen(done.c_str(), L"r")) {
        if (std::fscanf(f, "%d", &status) != 1) status = -1;
        std::fclose(f);
    }
    DeleteFileW(done.c_str());
    return status == 0;
}

}  // namespace wintest
