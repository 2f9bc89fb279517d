#include "core/settings/folders.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <filesystem>

#include "core/settings/wide_text_win32.h"

namespace folders {

namespace {

using widetext::narrow;
using widetext::widen;

std::wstring environment(const wchar_t* name) {
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    const DWORD n = ::GetEnvironmentVariableW(name, value.data(), size);
    value.resize(n < size ? n : 0);
    return value;
}

// "C:\…" or "\\server\share\…": a relative %APPDATA% would follow the
// current folder around.
bool isAbsolute(const std::wstring& path) {
    auto sep = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (path.size() >= 3 && path[1] == L':' && sep(path[2])) return true;
    return path.size() >= 2 && sep(path[0]) && sep(path[1]);
}

std::wstring roamingAppData() {
    wchar_t* known = nullptr;
    std::wstring folder;
    if (::SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &known) == S_OK) folder = known;
    ::CoTaskMemFree(known);
    return folder;
}

}  // namespace

std::string programFolder() {
    std::wstring exe(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
        if (n == 0) break;
        if (n < exe.size()) {
            exe.resize(n);
            // D:\tool.exe lives in D:\, which keeps its separator.
            return narrow(std::filesystem::path(exe).parent_path().wstring());
        }
        exe.resize(exe.size() * 2);
    }
    std::error_code ec;
    return narrow(std::filesystem::current_path(ec).wstring());
}

std::string userConfigFolder() {
    // %APPDATA% first, as $XDG_CONFIG_HOME on Linux: a user who moves it means it.
    std::wstring folder = environment(L"APPDATA");
    if (!isAbsolute(folder)) folder = roamingAppData();
    if (folder.empty()) {
        std::error_code ec;
        folder = std::filesystem::temp_directory_path(ec).wstring();
    }
    return narrow(folder);
}

bool exists(const std::string& path) { return ::GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool isWritableFolder(const std::string& folder) {
    // Folder permissions on Windows are ACLs that no attribute shows (and the
    // read-only attribute means nothing on a folder), so ask by trying.
    std::wstring probe = widen(folder);
    if (probe.empty()) return false;
    if (probe.back() != L'\\' && probe.back() != L'/') probe += L'\\';
    probe += L".zorvane-write-test-" + std::to_wstring(::GetCurrentProcessId());
    const HANDLE h =
        ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(h);
    return true;
}

// Windows programs are unpacked or installed where the user chose; what
// Program Files means for settings is the write test's to find out.
bool isPackagedFolder(const std::string&) { return false; }

Result createFolders(const std::string& folder) {
    if (folder.empty() || exists(folder)) return Result::success();
    const std::filesystem::path path(widen(folder));
    if (path.has_parent_path() && path.parent_path() != path) {
        if (Result r = createFolders(narrow(path.parent_path().wstring())); !r) return r;
    }
    if (::CreateDirectoryW(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS) return Result::success();
    return Result::failure(widetext::describe(folder, ::GetLastError()));
}

}  // namespace folders
