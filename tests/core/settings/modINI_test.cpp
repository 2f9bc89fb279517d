#include "core/settings/modINI.h"

#include <gtest/gtest.h>

#include "core/settings/profile_file.h"
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

TEST(ModIni, AnUnreadableFileIsReportedAndKeepsItsBytes) {
    TempDir dir;
    modINI::INIPath = dir.file("set.ini");
    EXPECT_EQ(modINI::UnreadableReason(), "");
    const std::string oddUtf16("\xFF\xFE[\x00s\x00]", 7);
    writeBytes(modINI::INIPath, oddUtf16);
    EXPECT_NE(modINI::UnreadableReason().find(modINI::INIPath), std::string::npos);
    EXPECT_FALSE(modINI::WriteINI("Zorvane", "Zorvane1KeyCode", "0"));
    EXPECT_EQ(readBytes(modINI::INIPath), oddUtf16);
}
