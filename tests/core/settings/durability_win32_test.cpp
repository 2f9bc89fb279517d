// A save ended at any moment (TerminateProcess, as a crash or the Task
// Manager ends a program) leaves either the old or the new set.ini, and the
// next save takes away what the ended one left.
#include <windows.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "core/settings/profile_file.h"
#include "support/temp_dir.h"

namespace {

constexpr UINT kKilled = 99;

// Large values make the moment a plain overwrite would show longer.
std::string valueOf(long i) { return std::string(20000, static_cast<char>('a' + i % 26)) + "#" + std::to_string(i); }

bool isCompleteState(const std::string& bytes) {
    const std::string head = "[Zorvane]\r\nZorvane1Text=";
    if (bytes.rfind(head, 0) != 0 || bytes.size() < head.size() + 2 || bytes.substr(bytes.size() - 2) != "\r\n")
        return false;
    const std::string value = bytes.substr(head.size(), bytes.size() - head.size() - 2);
    const auto hash = value.find('#');
    return hash != std::string::npos && value == valueOf(std::stol(value.substr(hash + 1)));
}

}  // namespace

// The process that the test below starts and ends; run only by it.
TEST(SettingsDurabilityChild, DISABLED_SavesUntilEnded) {
    const char* path = std::getenv("ZORVANE_DURABILITY_FILE");
    ASSERT_NE(path, nullptr);
    const char* startedName = std::getenv("ZORVANE_DURABILITY_STARTED");
    ASSERT_NE(startedName, nullptr);
    const HANDLE started = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, startedName);
    for (long i = 1;; ++i) {
        const auto saved = profile::writeValue(path, "Zorvane", "Zorvane1Text", valueOf(i));
        if (!saved) {
            std::fprintf(stderr, "save %ld failed: %s\n", i, saved.why().c_str());
            std::_Exit(3);
        }
        if (i == 1) ::SetEvent(started);
    }
}

TEST(SettingsDurability, AnEndedSaveLeavesEitherTheOldOrTheNewFile) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    ASSERT_TRUE(profile::writeValue(path, "Zorvane", "Zorvane1Text", valueOf(0)));
    ::SetEnvironmentVariableW(L"ZORVANE_DURABILITY_FILE", dir.path().wstring().append(L"\\set.ini").c_str());
    wchar_t exe[MAX_PATH];
    ASSERT_GT(::GetModuleFileNameW(nullptr, exe, MAX_PATH), 0u);
    std::wstring command =
        L"\"" + std::wstring(exe) + L"\" --gtest_filter=SettingsDurabilityChild.* --gtest_also_run_disabled_tests";
    // The child says when its first save is done; the name is this run's own.
    const std::wstring startedName = L"zorvane-durability-" + std::to_wstring(::GetCurrentProcessId());
    const HANDLE started = ::CreateEventW(nullptr, FALSE, FALSE, startedName.c_str());
    ASSERT_NE(started, nullptr);
    ::SetEnvironmentVariableW(L"ZORVANE_DURABILITY_STARTED", startedName.c_str());
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child{};
        ASSERT_TRUE(
            ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child));
        // After its first save the end falls anywhere in a later one.
        ::WaitForSingleObject(started, 10000);
        ::Sleep(std::uniform_int_distribution<DWORD>(0, 20)(rng));
        ::TerminateProcess(child.hProcess, kKilled);
        ::WaitForSingleObject(child.hProcess, INFINITE);
        DWORD code = 0;
        ::GetExitCodeProcess(child.hProcess, &code);
        ::CloseHandle(child.hThread);
        ::CloseHandle(child.hProcess);
        ASSERT_EQ(code, kKilled) << "the child stopped saving by itself in round " << round;
        const std::string bytes = readBytes(path);
        ASSERT_TRUE(isCompleteState(bytes)) << "after round " << round << " the file is:\n" << bytes.substr(0, 120);
    }
    ::CloseHandle(started);
    // What an ended save left goes with the next one. Its value is one that
    // no child reached: a save that changes nothing writes nothing.
    ASSERT_TRUE(profile::writeValue(path, "Zorvane", "Zorvane1Text", valueOf(1000000)));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}
