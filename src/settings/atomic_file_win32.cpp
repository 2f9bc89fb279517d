#include "settings/atomic_file.h"

#include <climits>
#include <windows.h>

#include "settings/wide_text_win32.h"

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

// "C:\data\set.ini" → "C:\data" and "set.ini"; a bare name lives in ".".
void split(const std::wstring& path, std::wstring* folder, std::wstring* name) {
    const auto cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos) {
        *folder = L".";
        *name = path;
        return;
    }
    *folder = path.substr(0, cut + 1);
    *name = path.substr(cut + 1);
}

// Temporary files are ".<name>.XXXXXX" in the target's folder, as on POSIX,
// so that a rename never crosses volumes and a killed save's leftovers are
// recognised by name.
constexpr std::size_t kSuffixLength = 6;

std::wstring randomSuffix() {
    static const wchar_t kChars[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static unsigned long long state = 0;
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    state = state * 6364136223846793005ULL + static_cast<unsigned long long>(now.QuadPart) +
            ::GetCurrentProcessId() + 1442695040888963407ULL;
    unsigned long long bits = state;
    std::wstring suffix;
    for (std::size_t i = 0; i < kSuffixLength; ++i, bits /= 62) suffix += kChars[bits % 62];
    return suffix;
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

// A process killed between writing its temporary file and renaming it leaves
// the temporary file behind; the next successful save takes it away. One
// program writes the file at a time (a second copy only wakes the first).
void removeStaleTemporaries(const std::wstring& folder, const std::wstring& name) {
    const std::wstring prefix = L"." + name + L".";
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW((folder + prefix + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring candidate = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            candidate.size() == prefix.size() + kSuffixLength && candidate.compare(0, prefix.size(), prefix) == 0)
            ::DeleteFileW((folder + candidate).c_str());
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

}  // namespace

std::optional<std::string> readAll(const std::string& path, std::string* error) {
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
    std::string data;
    char buf[65536];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(file.h, buf, sizeof buf, &n, nullptr)) {
            if (error) *error = describe(path, ::GetLastError());
            return std::nullopt;
        }
        if (n == 0) break;
        data.append(buf, n);
    }
    return data;
}

WriteResult replace(const std::string& path, std::string_view bytes) {
    const std::wstring target = widen(path);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (isFolder(attributes)) return WriteResult::failure(notAFile(path));
    const bool existed = attributes != INVALID_FILE_ATTRIBUTES;

    std::wstring folder, name;
    split(target, &folder, &name);
    if (folder == L".") folder = L".\\";
    std::wstring tmp;
    Handle file(INVALID_HANDLE_VALUE);
    for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
        tmp = folder + L"." + name + L"." + randomSuffix();
        file.h = ::CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (!file.valid() && ::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (!file.valid()) {
        const DWORD err = ::GetLastError();
        std::wstring shown = folder;
        if (shown.size() > 3) shown.pop_back();  // "C:\data", but "C:\" stays
        return WriteResult::failure(describe(widetext::narrow(shown), err));
    }

    auto fail = [&](DWORD err) {
        file.close();
        ::DeleteFileW(tmp.c_str());
        return WriteResult::failure(describe(path, err));
    };
    if (!writeFully(file.h, bytes)) return fail(::GetLastError());
    if (!::FlushFileBuffers(file.h)) return fail(::GetLastError());
    if (!file.close()) return fail(::GetLastError());

    // ReplaceFileW keeps the old file's attributes and permissions, as the
    // POSIX code keeps its mode and owner.
    bool moved = existed && ::ReplaceFileW(target.c_str(), tmp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                           nullptr, nullptr);
    if (!moved) {
        const DWORD err = existed ? ::GetLastError() : ERROR_FILE_NOT_FOUND;
        // The old file may be gone (taken away meanwhile, or ReplaceFileW got
        // halfway): then the new one only needs its name.
        if (err != ERROR_FILE_NOT_FOUND && err != ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
            ::DeleteFileW(tmp.c_str());
            return WriteResult::failure(describe(path, err));
        }
        moved = ::MoveFileExW(tmp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!moved) {
            const DWORD moveErr = ::GetLastError();
            // After a half-done ReplaceFileW the temporary file holds the only
            // copy of the settings: keep it and say where it is.
            if (err == ERROR_UNABLE_TO_MOVE_REPLACEMENT)
                return WriteResult::failure(describe(path, moveErr) + "; the settings were kept in " +
                                            widetext::narrow(tmp));
            ::DeleteFileW(tmp.c_str());
            return WriteResult::failure(describe(path, moveErr));
        }
    }
    removeStaleTemporaries(folder, name);
    return WriteResult::success();
}

}  // namespace atomicfile
