#include "platform/win32/integrity.h"

#include <windows.h>

#include <optional>
#include <vector>

namespace win32 {
namespace {

// The mandatory label's level (0x2000 medium, 0x3000 high, 0x4000 system).
std::optional<DWORD> integrityOf(HANDLE token) {
    DWORD size = 0;
    GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
    if (size == 0) return std::nullopt;
    std::vector<unsigned char> buffer(size);
    auto* label = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer.data());
    if (!GetTokenInformation(token, TokenIntegrityLevel, label, size, &size)) return std::nullopt;
    const PUCHAR count = GetSidSubAuthorityCount(label->Label.Sid);
    if (!count || *count == 0) return std::nullopt;
    return *GetSidSubAuthority(label->Label.Sid, *count - 1);
}

std::optional<DWORD> ownIntegrity() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return std::nullopt;
    const auto level = integrityOf(token);
    CloseHandle(token);
    return level;
}

constexpr const char* kElevated =
    "the focused window runs as administrator, and Windows keeps other programs' keys from it";

}  // namespace

std::string ForegroundShieldReason() {
    const HWND window = GetForegroundWindow();
    if (!window) return {};
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == 0 || pid == GetCurrentProcessId()) return {};
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED ? kElevated : "";
    HANDLE token = nullptr;
    const bool opened = OpenProcessToken(process, TOKEN_QUERY, &token);
    const DWORD error = GetLastError();
    CloseHandle(process);
    // An elevated process's token is closed to a program that is not.
    if (!opened) return error == ERROR_ACCESS_DENIED ? kElevated : "";
    const auto theirs = integrityOf(token);
    CloseHandle(token);
    const auto mine = ownIntegrity();
    return theirs && mine && *theirs > *mine ? kElevated : "";
}

}  // namespace win32
