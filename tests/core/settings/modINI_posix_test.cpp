// Paths as POSIX systems write them, and the XDG folders.
#include "core/settings/modINI.h"

#include <gtest/gtest.h>
#include <cstdlib>

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
    // Installed by a package: never beside the program, even for root, who could write there.
    EXPECT_EQ(modINI::ChooseSettingsPath("/usr/bin", "set.ini"),
              dir.file(".config") + "/zorvane-change-hotkey/set.ini");
}
