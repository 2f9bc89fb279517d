#include "settings/modINI.h"

#include <gtest/gtest.h>

#include "settings/profile_file.h"
#include "support/temp_dir.h"

TEST(SettingsPath, ProgramFolderIsWhereThisExecutableLives) {
    EXPECT_TRUE(std::filesystem::exists(modINI::JoinPath(modINI::ProgramFolder(), ZORVANE_TEST_PROGRAM)));
}

TEST(ModIni, SlotValuesRoundTripAndTheConfigFolderIsCreatedOnFirstWrite) {
    TempDir dir;
    modINI::INIPath = modINI::JoinPath(modINI::JoinPath(dir.file("config"), "zorvane-change-hotkey"), "set.ini");
    EXPECT_EQ(modINI::ReadINI("conftext", "3", ""), "");
    ASSERT_TRUE(modINI::WriteINI("conftext", "3", "Ctrl + C"));
    ASSERT_TRUE(modINI::WriteINI("conftooltip", "3", "2|17|67"));
    const std::string eol = profile::kNewFileEol;
    EXPECT_EQ(readBytes(modINI::INIPath),
              "[conftext]" + eol + "3=Ctrl + C" + eol + "[conftooltip]" + eol + "3=2|17|67" + eol);
    EXPECT_EQ(modINI::ReadINI("CONFTOOLTIP", "3", ""), "2|17|67");
}

TEST(ModIni, NoPathMeansDefaultsAndAReportedWriteFailure) {
    modINI::INIPath.clear();
    EXPECT_EQ(modINI::ReadINI("conftext", "0", "d"), "d");
    EXPECT_FALSE(modINI::WriteINI("conftext", "0", "v"));
}
