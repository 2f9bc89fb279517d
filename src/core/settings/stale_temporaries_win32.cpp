#include <windows.h>

#include "core/settings/atomic_file.h"
#include "core/settings/temporary_name.h"
#include "core/settings/wide_text_win32.h"

namespace atomicfile {

namespace {

long long secondsSince(const FILETIME& then) {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
        return static_cast<long long>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    };
    return (ticks(now) - ticks(then)) / 10'000'000;  // FILETIME counts 100 ns
}

// A process that has ended is not running even while someone still holds a
// handle to it; one that we may not open (another user's) is.
bool isRunning(unsigned long pid) {
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return ::GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return running;
}

}  // namespace

void removeStaleTemporaries(const std::string& path) {
    const std::wstring wide = widetext::widen(path);
    const auto cut = wide.find_last_of(L"\\/");
    const std::wstring folder = cut == std::wstring::npos ? L".\\" : wide.substr(0, cut + 1);
    const std::string name = widetext::narrow(cut == std::wstring::npos ? wide : wide.substr(cut + 1));
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW((folder + L"." + widetext::widen(name) + L".*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const auto owner = temporaryOwner(widetext::narrow(found.cFileName), name);
        // A folder or a link with such a name was not made by a save.
        if (!owner || (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) continue;
        if (isStale(isRunning(*owner), secondsSince(found.ftLastWriteTime)))
            ::DeleteFileW((folder + found.cFileName).c_str());
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

}  // namespace atomicfile
