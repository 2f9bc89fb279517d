// Paths as Windows writes them, and %APPDATA%.
#include "core/settings/modINI.h"

#include <windows.h>
#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>

#include "core/settings/folders.h"
#include "core/settings/profile_file.h"
#include "support/temp_dir.h"

namespace {

// Sets an environment variable for one test, and puts it back afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const wchar_t* name, const wchar_t* value) : name_(name) {
        wchar_t old[32768];
        const DWORD n = ::GetEnvironmentVariableW(name, old, 32768);
        had_ = n > 0 && n < 32768;
        if (had_) old_.assign(old, n);
        ::SetEnvironmentVariableW(name, value);
    }
    ~ScopedEnvironment() { ::SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }

private:
    const wchar_t* name_;
    bool had_ = false;
    std::wstring old_;
};

}  // namespace

TEST(SettingsPathWindows, JoinsWithExactlyOneSeparator) {
    EXPECT_EQ(modINI::JoinPath("D:\\", "set.ini"), "D:\\set.ini");
    EXPECT_EQ(modINI::JoinPath("C:\\Tools", "set.ini"), "C:\\Tools\\set.ini");
    EXPECT_EQ(modINI::JoinPath("C:\\Tools\\", "set.ini"), "C:\\Tools\\set.ini");
    EXPECT_EQ(modINI::JoinPath("C:/Tools/", "set.ini"), "C:/Tools/set.ini");
    EXPECT_EQ(modINI::JoinPath("\\\\server\\share", "set.ini"), "\\\\server\\share\\set.ini");
}

TEST(SettingsPathWindows, ProgramFolderWhenUsableElseAppData) {
    TempDir dir;
    EXPECT_EQ(modINI::ChooseSettingsPath(dir.path().string(), "set.ini"), dir.file("set.ini"));
    // The write test leaves nothing behind in the program's folder.
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    ScopedEnvironment appData(L"APPDATA", dir.path().wstring().c_str());
    EXPECT_EQ(modINI::ChooseSettingsPath(dir.file("missing"), "set.ini"), dir.file("zorvane-change-hotkey\\set.ini"));
}

TEST(SettingsPathWindows, WithoutAUsableAppDataTheKnownFolderIsUsed) {
    for (const wchar_t* value : {static_cast<const wchar_t*>(nullptr), L"relative\\folder"}) {
        ScopedEnvironment appData(L"APPDATA", value);
        const std::string path = modINI::ChooseSettingsPath("Q:\\missing", "set.ini");
        EXPECT_EQ(path.substr(1, 2), ":\\") << path;
        EXPECT_NE(path.find("\\zorvane-change-hotkey\\set.ini"), std::string::npos) << path;
    }
}

TEST(ModIniWindows, AUserFolderWithChineseInItsNameIsCreatedAndUsed) {
    TempDir dir;
    const std::wstring user = dir.path().wstring() + L"\\用户\\AppData\\Roaming";
    ScopedEnvironment appData(L"APPDATA", user.c_str());
    modINI::INIPath = modINI::ChooseSettingsPath(dir.file("missing"), "set.ini");
    ASSERT_TRUE(modINI::WriteINI("conftext", "0", "Ctrl + C"));
    // The name must reach Windows as 用户, not as its UTF-8 bytes read in the ANSI code page.
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(user) / L"zorvane-change-hotkey" / L"set.ini"));
    EXPECT_EQ(modINI::ReadINI("conftext", "0", ""), "Ctrl + C");
}

// A program unpacked into Program Files: its folder takes no writes, so its
// set.ini could never be saved there. The user's folder takes over, starting
// from a copy, and a copy the user has already is never replaced. Run by
// read_only_folder_win32.sh, which makes the folder.
TEST(ReadOnlyProgramFolder, TheUserFolderTakesOverFromACopy) {
    const char* folder = std::getenv("ZORVANE_READ_ONLY_FOLDER");
    if (!folder) GTEST_SKIP() << "run by read_only_folder_win32.sh";
    ASSERT_FALSE(folders::isWritableFolder(folder));
    const std::string beside = modINI::JoinPath(folder, "set.ini");
    const std::string original = readBytes(beside);
    ASSERT_FALSE(original.empty());

    TempDir appData;
    ScopedEnvironment useIt(L"APPDATA", appData.path().wstring().c_str());
    const std::string mine = appData.file("zorvane-change-hotkey\\set.ini");
    ASSERT_EQ(modINI::SettingsPathFor(folder, "set.ini"), mine);
    EXPECT_EQ(readBytes(mine), original);
    EXPECT_EQ(profile::readValue(mine, "Zorvane", "Zorvane1Key", ""), "74");

    ASSERT_TRUE(profile::writeValue(mine, "Zorvane", "Zorvane1Key", "75"));
    EXPECT_EQ(modINI::SettingsPathFor(folder, "set.ini"), mine);
    EXPECT_EQ(profile::readValue(mine, "Zorvane", "Zorvane1Key", ""), "75") << "the user's copy is kept";
    EXPECT_EQ(readBytes(beside), original);
}
