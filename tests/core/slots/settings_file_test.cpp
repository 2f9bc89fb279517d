#include "core/slots/settings_file.h"

#include <gtest/gtest.h>
#include <filesystem>

#include "core/settings/modINI.h"
#include "support/temp_dir.h"

TEST(SettingsFile, TheProgramsOwnIsSetIniBesideItWhenItsFolderTakesFiles) {
    // The test program's folder is the build's, which takes files.
    EXPECT_EQ(app::SettingsFile::ForProgram().path(), modINI::JoinPath(modINI::ProgramFolder(), "set.ini"));
}

// Nothing is chosen globally: each file reads and writes only itself, and
// the chords go to section Zorvane of the file their store was given.
TEST(SettingsFile, TwoFilesSideBySideKeepTheirOwnValues) {
    TempDir dir;
    const std::string elsewhere = modINI::JoinPath(dir.path().string(), "elsewhere.ini");
    modINI::INIPath = elsewhere;
    const app::SettingsFile a(modINI::JoinPath(dir.path().string(), "a.ini"));
    const app::SettingsFile b(modINI::JoinPath(dir.path().string(), "b.ini"));
    ASSERT_TRUE(a.write("conftext", "0", "Ctrl + C"));
    EXPECT_EQ(b.read("conftext", "0", "-"), "-");
    EXPECT_EQ(a.read("conftext", "0", "-"), "Ctrl + C");

    app::IniChordStore chords(b);
    ASSERT_TRUE(chords.write("Zorvane1Text", "Alt + Q"));
    EXPECT_EQ(b.read("Zorvane", "Zorvane1Text", "-"), "Alt + Q");
    EXPECT_EQ(chords.read("Zorvane1Text", "-"), "Alt + Q");
    EXPECT_EQ(a.read("Zorvane", "Zorvane1Text", "-"), "-");
    EXPECT_EQ(modINI::INIPath, elsewhere) << "the settings module's own file is neither chosen";
    EXPECT_FALSE(std::filesystem::exists(elsewhere)) << "nor written";
}

TEST(SettingsFile, AFirstSaveMakesTheMissingFolderAndAFailureSaysWhy) {
    TempDir dir;
    const std::string folder = modINI::JoinPath(modINI::JoinPath(dir.path().string(), "config"), "zorvane");
    const app::SettingsFile file(modINI::JoinPath(folder, "set.ini"));
    ASSERT_TRUE(file.write("conftooltip", "2", "1|65"));
    EXPECT_EQ(file.read("conftooltip", "2", "-"), "1|65");

    // A file where the folder should be: nothing can be made there.
    const std::string blocker = modINI::JoinPath(dir.path().string(), "blocker");
    writeBytes(blocker, "a file");
    const app::SettingsFile blocked(modINI::JoinPath(modINI::JoinPath(blocker, "sub"), "set.ini"));
    const Result r = blocked.write("conftext", "0", "A");
    EXPECT_FALSE(r);
    EXPECT_FALSE(r.why().empty());
}

// The exit routine's thirty values go to the file in one write, at the end
// of the batch, and leave what writing them one by one would.
TEST(SettingsFile, ABatchOfChordsIsWrittenOnceAtItsEnd) {
    TempDir dir;
    const app::SettingsFile batched(dir.file("batched.ini")), single(dir.file("single.ini"));
    app::IniChordStore chords(batched), oneByOne(single);
    chords.beginBatch();
    for (int n = 1; n <= 10; ++n)
        for (const char* suffix : {"Text", "KeyCode", "ModKeyCode"}) {
            const std::string key = "Zorvane" + std::to_string(n) + suffix;
            const std::string value = suffix[0] == 'T' ? "按下热键" : "0";
            ASSERT_TRUE(chords.write(key, value));
            ASSERT_TRUE(oneByOne.write(key, value));
        }
    EXPECT_FALSE(std::filesystem::exists(batched.path())) << "nothing is written before the batch ends";
    ASSERT_TRUE(chords.endBatch());
    EXPECT_EQ(readBytes(batched.path()), readBytes(single.path()));

    ASSERT_TRUE(chords.write("Zorvane1KeyCode", "65")) << "after the batch, each write goes out at once";
    EXPECT_EQ(batched.read("Zorvane", "Zorvane1KeyCode", "-"), "65");
}
