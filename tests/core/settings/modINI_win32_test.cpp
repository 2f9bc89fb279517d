// Paths as Windows writes them, and %APPDATA%.
#include "core/settings/modINI.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <windows.h>

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
    EXPECT_EQ(modINI::ChooseSettingsPath(dir.file("missing"), "set.ini"),
              dir.file("zorvane-change-hotkey\\set.ini"));
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
