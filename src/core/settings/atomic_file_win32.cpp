#include "core/settings/atomic_file.h"

#include <windows.h>
#include <aclapi.h>

#include "core/settings/temporary_name.h"
#include "core/settings/wide_text_win32.h"

namespace atomicfile {

namespace {

using widetext::describe;
using widetext::widen;

struct Handle {
    HANDLE h;
    explicit Handle(HANDLE handle) : h(handle) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return h != INVALID_HANDLE_VALUE; }
    bool close() {
        const bool ok = !valid() || ::CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
        return ok;
    }
};

std::string notAFile(const std::string& path) { return path + ": this is a folder, not a file"; }

bool isFolder(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// "C:\data\set.ini" → "C:\data\" and "set.ini"; a bare name lives in ".\".
void split(const std::wstring& path, std::wstring* folder, std::wstring* name) {
    const auto cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos) {
        *folder = L".\\";
        *name = path;
        return;
    }
    *folder = path.substr(0, cut + 1);
    *name = path.substr(cut + 1);
}

// Six letters or digits from the clock, the process and the attempt; a name
// that is taken anyway is tried again with the next attempt.
std::wstring randomSuffix(unsigned attempt) {
    static constexpr wchar_t kChars[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    // splitmix64's finaliser, so that neighbouring inputs give unrelated names.
    unsigned long long bits = static_cast<unsigned long long>(now.QuadPart) ^
                              (static_cast<unsigned long long>(::GetCurrentProcessId()) << 32) ^ attempt;
    bits = (bits ^ (bits >> 30)) * 0xBF58476D1CE4E5B9ULL;
    bits = (bits ^ (bits >> 27)) * 0x94D049BB133111EBULL;
    bits ^= bits >> 31;
    std::wstring suffix;
    for (std::size_t i = 0; i < kRandomLength; ++i, bits /= 62) suffix += kChars[bits % 62];
    return suffix;
}

// What of the old file's attributes the new one takes over; the rest
// (compression, sparseness, …) is the file system's to decide.
DWORD keptAttributes(DWORD old) {
    const DWORD kept = old & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                              FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    return kept ? kept : FILE_ATTRIBUTE_NORMAL;
}

// The new file gets the old one's access list, as the POSIX code keeps the
// mode: a set.ini that its owner closed to others must not open up on save.
// An old file whose list cannot be read leaves the new one with the folder's.
DWORD copyPermissions(const std::wstring& from, const std::wstring& to) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (::GetNamedSecurityInfoW(from.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                nullptr, &sd) != ERROR_SUCCESS)
        return ERROR_SUCCESS;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(sd, &control, &revision);
    const SECURITY_INFORMATION what =
        DACL_SECURITY_INFORMATION |
        ((control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
    const DWORD err = ::SetNamedSecurityInfoW(const_cast<wchar_t*>(to.c_str()), SE_FILE_OBJECT, what, nullptr, nullptr,
                                              dacl, nullptr);
    ::LocalFree(sd);
    return err;
}

bool writeFully(HANDLE h, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!::WriteFile(h, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

// Windows will not rename over a file that another program has open, even
// for a moment (a virus scanner, a sync client, an editor reading it); such
// holds end within milliseconds, so try again for a little while.
bool moveIntoPlace(const std::wstring& from, const std::wstring& to) {
    for (int attempt = 1;; ++attempt) {
        if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        const DWORD err = ::GetLastError();
        if ((err != ERROR_ACCESS_DENIED && err != ERROR_SHARING_VIOLATION) || attempt == 20) {
            ::SetLastError(err);
            return false;
        }
        ::Sleep(10);
    }
}

}  // namespace

std::optional<std::string> readAll(const std::string& path, std::string* error, std::size_t maxBytes) {
    const std::wstring wide = widen(path);
    if (isFolder(::GetFileAttributesW(wide.c_str()))) {
        if (error) *error = notAFile(path);
        return std::nullopt;
    }
    Handle file(::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        const DWORD err = ::GetLastError();
        if (err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND && error) *error = describe(path, err);
        return std::nullopt;
    }
    auto refuse = [&](const std::string& why) {
        if (error) *error = why;
        return std::nullopt;
    };
    auto notRead = [&](const std::string& why) {
        return refuse(path + ": the file could not be read (" + why + ") and is left as it is");
    };
    // A device (NUL, CON, COM1) or a pipe is no file to read to its end.
    if (::GetFileType(file.h) != FILE_TYPE_DISK) return notRead("it is no file on a disk but a device or a pipe");
    const std::string tooLarge =
        "it is larger than " + std::to_string(maxBytes / 1024) + " KB, more than any such file holds";
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file.h, &size) && static_cast<unsigned long long>(size.QuadPart) > maxBytes)
        return notRead(tooLarge);
    std::string data;
    char buf[65536];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(file.h, buf, sizeof buf, &n, nullptr)) return refuse(describe(path, ::GetLastError()));
        if (n == 0) break;
        // It may have grown since its size was taken.
        if (n > maxBytes - data.size()) return notRead(tooLarge);
        data.append(buf, n);
    }
    return data;
}

Result replace(const std::string& path, std::string_view bytes) {
    const std::wstring target = widen(path);
    WIN32_FILE_ATTRIBUTE_DATA old{};
    const bool existed = ::GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &old);
    if (existed && isFolder(old.dwFileAttributes)) return Result::failure(notAFile(path));
    // Windows refuses to replace a read-only file; Wine does not, so ask first.
    if (existed && (old.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
        return Result::failure(path + ": the file is read-only");

    std::wstring folder, name;
    split(target, &folder, &name);
    // In the target's folder, so that the rename never crosses volumes; named
    // so that a killed save's leftover is known for one (temporary_name.h).
    const std::wstring prefix = folder + widen(temporaryPrefix(widetext::narrow(name), ::GetCurrentProcessId()));
    std::wstring tmp;
    Handle file(INVALID_HANDLE_VALUE);
    for (unsigned attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
        tmp = prefix + randomSuffix(attempt);
        file.h = ::CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (!file.valid() && ::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (!file.valid()) {
        const DWORD err = ::GetLastError();
        std::wstring shown = folder;
        if (shown.size() > 3) shown.pop_back();  // "C:\data", but "C:\" stays
        return Result::failure(describe(widetext::narrow(shown), err));
    }

    auto fail = [&](DWORD err) {
        file.close();
        ::DeleteFileW(tmp.c_str());
        return Result::failure(describe(path, err));
    };
    if (!writeFully(file.h, bytes)) return fail(::GetLastError());
    if (!::FlushFileBuffers(file.h)) return fail(::GetLastError());
    if (!file.close()) return fail(::GetLastError());
    if (existed) {
        if (!::SetFileAttributesW(tmp.c_str(), keptAttributes(old.dwFileAttributes))) return fail(::GetLastError());
        if (const DWORD err = copyPermissions(target, tmp); err != ERROR_SUCCESS) return fail(err);
    }
    // One rename, which NTFS journals: a crash leaves the old file or the new
    // one. ReplaceFileW is no such thing: it moves the old file aside first
    // (Wine deletes it before moving the new one in), so a crash in between
    // leaves no set.ini at all.
    if (!moveIntoPlace(tmp, target)) return fail(::GetLastError());
    removeStaleTemporaries(path);
    return Result::success();
}

}  // namespace atomicfile
