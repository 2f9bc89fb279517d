#include "ui/win32/app/single_instance.h"

#include <string>

#include "core/diag/diag.h"
#include "ui/win32/app/frmSet.h"

namespace win32app {

std::wstring SingleInstance::mutexName() {
    wchar_t user[256] = L"";
    DWORD size = static_cast<DWORD>(std::size(user));
    if (!GetUserNameW(user, &size)) user[0] = L'\0';
    // Backslashes have a meaning in object names.
    std::wstring name = L"Local\\ZorvaneChangeHotkey-";
    for (const wchar_t* c = user; *c; ++c) name += *c == L'\\' ? L'_' : *c;
    return name;
}

SingleInstance::SingleInstance() {
    mutex_ = CreateMutexW(nullptr, FALSE, mutexName().c_str());
    const DWORD error = GetLastError();
    first_ = !anotherCopyHolds(mutex_ != nullptr, error);
    if (!mutex_ && first_)
        diag::Report("cannot tell whether another copy runs (CreateMutexW failed, error " + std::to_string(error) +
                     ")");
}

SingleInstance::~SingleInstance() {
    if (mutex_) CloseHandle(mutex_);
}

bool SingleInstance::askFirstCopyToShow(int timeoutMs) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        if (HWND window = FindWindowW(frmSet::kClassName, nullptr)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            // It may take the foreground: this copy has it, being the one just started.
            AllowSetForegroundWindow(pid);
            return PostMessageW(window, frmSet::showRequestMessage(), 0, 0) != FALSE;
        }
        if (GetTickCount64() >= end) return false;
        Sleep(50);
    }
}

}  // namespace win32app
