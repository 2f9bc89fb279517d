#include "settings/modINI.h"

#include <cstdlib>
#include <gtest/gtest.h>

#include "support/temp_dir.h"

TEST(SettingsPath, JoinsWithExactlyOneSeparator) {
    EXPECT_EQ(modINI::JoinPath("/opt/tools", "set.ini"), "/opt/tools/set.ini");
    EXPECT_EQ(modINI::JoinPath("/", "set.ini"), "/set.ini");
    EXPECT_EQ(modINI::JoinPath("/opt/tools/", "set.ini"), "/opt/tools/set.ini");
}

TEST(SettingsPath, ProgramFolderWhenUsableElseUserConfigFolder) {
    TempDir dir;
    EXPECT_EQ(modINI::ChooseSettingsPath(dir.path().string(), "set.ini"), dir.file("set.ini"));

    ::setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
    EXPECT_EQ(modINI::ChooseSettingsPath("/nonexistent/zorvane", "set.ini"),
              dir.file("config") + "/zorvane-change-hotkey/set.ini");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", dir.path().c_str(), 1);
    EXPECT_EQ(modINI::ChooseSettingsPath("/nonexistent/zorvane", "set.ini"),
              dir.file(".config") + "/zorvane-change-hotkey/set.ini");
}

TEST(SettingsPath, ProgramFolderIsWhereThisExecutableLives) {
    EXPECT_TRUE(std::filesystem::exists(modINI::JoinPath(modINI::ProgramFolder(), "unit_tests")));
}

TEST(ModIni, SlotValuesRoundTripAndTheConfigFolderIsCreatedOnFirstWrite) {
    TempDir dir;
    modINI::INIPath = dir.file("config") + "/zorvane-change-hotkey/set.ini";
    EXPECT_EQ(modINI::ReadINI("conftext", "3", ""), "");
    ASSERT_TRUE(modINI::WriteINI("conftext", "3", "Ctrl + C"));
    ASSERT_TRUE(modINI::WriteINI("conftooltip", "3", "2|17|67"));
    EXPECT_EQ(readBytes(modINI::INIPath), "[conftext]\n3=Ctrl + C\n[conftooltip]\n3=2|17|67\n");
    EXPECT_EQ(modINI::ReadINI("CONFTOOLTIP", "3", ""), "2|17|67");
}

TEST(ModIni, NoPathMeansDefaultsAndAReportedWriteFailure) {
    modINI::INIPath.clear();
    EXPECT_EQ(modINI::ReadINI("conftext", "0", "d"), "d");
    EXPECT_FALSE(modINI::WriteINI("conftext", "0", "v"));
}
