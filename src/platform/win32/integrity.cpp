#include "platform/win32/integrity.h"

#include <atomic>
#include <optional>
#include <vector>

#include "core/diag/diag.h"

namespace win32 {
namespace {

// The mandatory label's level (0x2000 medium, 0x3000 high, 0x4000 system).
std::optional<DWORD> levelOf(HANDLE token) {
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

// The process's level; nothing, and the error in `error`, when it cannot be read.
std::optional<DWORD> levelOfProcess(HANDLE process, DWORD* error) {
    HANDLE token = nullptr;
    if (!process || !OpenProcessToken(process, TOKEN_QUERY, &token)) {
        *error = GetLastError();
        return std::nullopt;
    }
    const auto level = levelOf(token);
    if (!level) *error = GetLastError();
    CloseHandle(token);
    return level;
}

constexpr const char* kElevated =
    "the focused window runs as administrator, and Windows keeps other programs' keys from it";

// The check runs at every trigger: a
// window whose level stays unknown is logged once, until another process
// comes to the front.
void reportUnsure(DWORD pid, DWORD error) {
    static std::atomic<DWORD> reported{0};
    if (reported.exchange(pid) == pid) return;
    diag::Report("the integrity level of the focused window's process " + std::to_string(pid) +
                 " or of this program cannot be read (error " + std::to_string(error) +
                 "): its keys are sent, and Windows drops them if that window runs as administrator");
}

}  // namespace

Shield ShieldOf(std::optional<DWORD> theirs, std::optional<DWORD> mine) {
    if (!theirs || !mine) return Shield::PlaysUnsure;
    return *theirs > *mine ? Shield::Refused : Shield::Plays;
}

std::string ForegroundShieldReason() {
    const HWND window = GetForegroundWindow();
    if (!window) return {};
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == 0 || pid == GetCurrentProcessId()) return {};
    DWORD error = ERROR_SUCCESS;
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    const auto theirs = levelOfProcess(process, &error);
    if (process) CloseHandle(process);
    const auto mine = theirs ? levelOfProcess(GetCurrentProcess(), &error) : std::nullopt;
    switch (ShieldOf(theirs, mine)) {
        case Shield::Refused: return kElevated;
        case Shield::PlaysUnsure: reportUnsure(pid, error); return {};
        case Shield::Plays: return {};
    }
    return {};
}

}  // namespace win32
