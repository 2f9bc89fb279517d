// What only Windows has: files that other programs hold open, and paths that
// must reach the system as UTF-16.
#include "core/settings/profile_file.h"

#include "core/settings/atomic_file.h"

#include <windows.h>
#include <gtest/gtest.h>
#include <filesystem>
#include <set>
#include <thread>

#include "support/temp_dir.h"

using profile::readValue;
using profile::writeValue;

namespace {

std::size_t entries(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

// The id of a process that has ended: this program, run to list no tests.
DWORD endedProcess() {
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(exe) + L"\" --gtest_list_tests --gtest_filter=None";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child))
        return 0;
    ::WaitForSingleObject(child.hProcess, INFINITE);
    ::CloseHandle(child.hThread);
    ::CloseHandle(child.hProcess);
    return child.dwProcessId;
}

std::string leftover(DWORD pid) { return ".set.ini.saving-" + std::to_string(pid) + "-Ab3dE9"; }

}  // namespace

TEST(ProfileFileWindows, AFileHeldOpenByAnotherProgramIsReportedAndKept) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    const std::string old = "[conftext]\r\n0=A\r\n";
    writeBytes(path, old);
    // As an editor or a virus scanner may hold it: reading allowed, nothing else.
    const HANDLE held = ::CreateFileW(dir.path().wstring().append(L"\\set.ini").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const auto r = writeValue(path, "conftext", "0", "B");
    ::CloseHandle(held);
    EXPECT_FALSE(r);
    EXPECT_NE(r.why().find("set.ini: "), std::string::npos) << r.why();
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(entries(dir.path()), 1u) << "the temporary file is removed";

    ASSERT_TRUE(writeValue(path, "conftext", "0", "B")) << "once it is let go of";
    EXPECT_EQ(readValue(path, "conftext", "0", ""), "B");
}

TEST(ProfileFileWindows, AFileHeldOpenForAMomentIsWaitedFor) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    writeBytes(path, "[conftext]\r\n0=A\r\n");
    const HANDLE held = ::CreateFileW(dir.path().wstring().append(L"\\set.ini").c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread reader([held] {
        ::Sleep(50);
        ::CloseHandle(held);
    });
    const auto r = writeValue(path, "conftext", "0", "B");
    reader.join();
    EXPECT_TRUE(r) << r.why();
    EXPECT_EQ(readValue(path, "conftext", "0", ""), "B");
}

TEST(ProfileFileWindows, AReadOnlyFileIsReportedAndKept) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    const std::string old = "[conftext]\r\n0=A\r\n";
    writeBytes(path, old);
    const std::wstring wide = dir.path().wstring() + L"\\set.ini";
    ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY);
    const auto r = writeValue(path, "conftext", "0", "B");
    ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(r);
    EXPECT_FALSE(r.why().empty());
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(entries(dir.path()), 1u);
}

TEST(ProfileFileWindows, AFolderWithChineseInItsNameIsWrittenWhereItsNameSays) {
    TempDir dir;
    const std::filesystem::path folder = dir.path() / L"设置";
    std::filesystem::create_directory(folder);
    const std::string path = dir.path().string() + "\\设置\\set.ini";  // UTF-8, as the core keeps paths
    ASSERT_TRUE(writeValue(path, "conftext", "0", "键"));
    EXPECT_TRUE(std::filesystem::exists(folder / L"set.ini"));
    EXPECT_EQ(readValue(path, "conftext", "0", ""), "键");
    ASSERT_TRUE(writeValue(path, "conftext", "0", "热键")) << "and replaced there";
    EXPECT_EQ(readValue(path, "conftext", "0", ""), "热键");
    EXPECT_EQ(entries(folder), 1u);
}

TEST(ProfileFileWindows, OnlyLeftoversOfEndedOrOldSavesAreRemoved) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    const std::string ended = leftover(endedProcess()), running = leftover(::GetCurrentProcessId());
    const std::string oldRunning = running.substr(0, running.size() - 6) + "Zz0Zz0";
    std::set<std::string> kept = {running,        ".set.ini.backup",         ".set.ini.saving-1-abc",
                                  ended + ".bak", "set.ini.saving-1-abcdef", ".other.ini.saving-1-abcdef"};
    for (const auto& name : kept) writeBytes(dir.file(name), "mine");
    for (const auto& name : {ended, oldRunning}) writeBytes(dir.file(name), "[a]\r\nk=");
    for (const auto& name : fileNames(dir.path()))
        if (name != running && name != ended) makeOld(dir.file(name));
    const std::string folder = ended.substr(0, ended.size() - 6) + "F0ld3r";
    std::filesystem::create_directory(dir.file(folder));  // a save makes no folders

    ASSERT_TRUE(writeValue(path, "a", "k", "1"));
    atomicfile::removeStaleTemporaries(path);
    kept.insert({"set.ini", folder});
    EXPECT_EQ(fileNames(dir.path()), kept);
}
