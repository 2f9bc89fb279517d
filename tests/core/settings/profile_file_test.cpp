#include "core/settings/profile_file.h"

#include <gtest/gtest.h>
#include <vector>

#include "support/temp_dir.h"

using profile::readValue;
using profile::writeValue;

namespace {

const std::string kPromptGbk = "\xB0\xB4\xCF\xC2\xC8\xC8\xBC\xFC";  // 按下热键 in GBK
const std::string kPrompt = "按下热键";

// Text as Windows saves it as "Unicode": a byte-order mark, then UTF-16.
std::string utf16File(std::u16string_view text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t u : text) {
        const char high = static_cast<char>(u >> 8);
        const char low = static_cast<char>(u & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}

}  // namespace

TEST(ProfileFile, MissingFileGivesDefaultsAndIsNotCreatedByReading) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    EXPECT_EQ(readValue(path, "Zorvane", "Zorvane1Text", kPrompt), kPrompt);
    EXPECT_EQ(readValue(path, "conftext", "0", ""), "");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(ProfileFile, EmptyValueOverridesTheDefault) {
    TempDir dir;
    writeBytes(dir.file("set.ini"), "[conftooltip]\n3=\n");
    EXPECT_EQ(readValue(dir.file("set.ini"), "conftooltip", "3", "fallback"), "");
    EXPECT_EQ(readValue(dir.file("set.ini"), "conftooltip", "4", "fallback"), "fallback");
}

TEST(ProfileFile, LongValuesAreCutTo254BytesOnACharacterBoundary) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    writeBytes(path, "[s]\nascii=" + std::string(300, 'x') + "\n");
    EXPECT_EQ(readValue(path, "s", "ascii", ""), std::string(254, 'x'));

    // 85 three-byte characters: 255 bytes; the 85th would end past byte 254.
    std::string wide;
    for (int i = 0; i < 85; ++i) wide += "键";
    writeBytes(path, "[s]\nwide=" + wide + "\n");
    EXPECT_EQ(readValue(path, "s", "wide", ""), wide.substr(0, 84 * 3));

    // In a GBK file a character is two bytes; one ASCII byte in front shifts them.
    std::string gbk = "a";
    for (int i = 0; i < 130; ++i) gbk += kPromptGbk.substr(0, 2);
    writeBytes(path, "[s]\ngbk=" + gbk + "\n");
    std::string expected = "a";
    for (int i = 0; i < 126; ++i) expected += "按";
    EXPECT_EQ(readValue(path, "s", "gbk", ""), expected);  // 1 + 126 * 2 = 253 bytes
}

TEST(ProfileFile, GbkFileFromWindowsIsReadAndWrittenAsGbk) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    writeBytes(path, "[Zorvane]\r\nZorvane1Text=" + kPromptGbk + "\r\nZorvane1KeyCode=0\r\n");
    EXPECT_EQ(readValue(path, "Zorvane", "Zorvane1Text", ""), kPrompt);

    ASSERT_TRUE(writeValue(path, "Zorvane", "Zorvane2Text", "修改后热键"));
    const std::string bytes = readBytes(path);
    EXPECT_EQ(bytes.find("修改后热键"), std::string::npos) << "UTF-8 must not enter a GBK file";
    EXPECT_EQ(readValue(path, "Zorvane", "Zorvane2Text", ""), "修改后热键");
    EXPECT_EQ(readValue(path, "Zorvane", "Zorvane1Text", ""), kPrompt);
    EXPECT_EQ(bytes.substr(0, 24), "[Zorvane]\r\nZorvane1Text=");

    // Bytes that are no text are refused: they would turn a UTF-8 file into GBK.
    EXPECT_FALSE(writeValue(dir.file("other.ini"), "Zorvane", "Zorvane1Text", "\xff\xfe"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("other.ini")));

    // Text GBK cannot hold is refused, not mangled.
    const auto refused = writeValue(path, "Zorvane", "Zorvane3Text", "🙂");
    EXPECT_FALSE(refused);
    EXPECT_FALSE(refused.why().empty());
    EXPECT_EQ(readBytes(path), bytes);
}

TEST(ProfileFile, AGbkFileKeepsEveryValuesMeaningWhateverIsWrittenIntoIt) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    // 茅 is C3 A9 in GBK, which is also valid UTF-8 (é). The file is GBK only
    // because of the B0 B4 in `a`; writing `a` removes them.
    writeBytes(path, "[s]\r\na=\xB0\xB4\r\nb=\xC3\xA9\r\n");
    ASSERT_EQ(readValue(path, "s", "b", ""), "茅");
    ASSERT_TRUE(writeValue(path, "s", "a", "茅"));
    EXPECT_EQ(readValue(path, "s", "a", ""), "茅");
    EXPECT_EQ(readValue(path, "s", "b", ""), "茅");
    writeBytes(path, "\xEF\xBB\xBF[s]\na=\xB0\xB4\n");
    ASSERT_TRUE(writeValue(path, "s", "a", ""));
    EXPECT_EQ(readBytes(path), "\xEF\xBB\xBF[s]\na=\n");

    // A stray byte shows as U+FFFD, which no GBK holds, goes back as it came,
    // and stays as it is when the file turns UTF-8.
    writeBytes(path, "[s]\r\na=\xB0\xB4\r\nb=x\xB0\r\n");
    EXPECT_EQ(readValue(path, "s", "b", ""), "x\uFFFD");
    EXPECT_TRUE(writeValue(path, "s", "b", "x\uFFFD"));
    EXPECT_FALSE(writeValue(path, "s", "c", "x\uFFFD"));
    ASSERT_TRUE(writeValue(path, "s", "a", "x"));
    EXPECT_EQ(readBytes(path), "[s]\r\na=x\r\nb=x\xB0\r\n");

    // A section name whose GBK form holds ']' (癩 is B0 5D), and characters the
    // converter would silently drop (a tag character), are refused.
    writeBytes(path, "[s]\r\na=\xB0\xB4\r\n");
    EXPECT_FALSE(writeValue(path, "癩", "a", "1"));
    EXPECT_FALSE(writeValue(path, "s", "a", "x\xF3\xA0\x80\x81"));
    EXPECT_EQ(readBytes(path), "[s]\r\na=\xB0\xB4\r\n");
}

// The exit routine saves every chord at once: the file is written once, and
// ends as the writes one by one would leave it, whatever the file's form, and
// a value that cannot be stored is passed over and reported.
TEST(ProfileFile, SeveralValuesAtOnceLeaveWhatOneByOneWould) {
    TempDir dir;
    const std::vector<profile::Entry> entries = {{"Zorvane", "Zorvane1Text", "修改后热键"},
                                                 {"Zorvane", "Zorvane1KeyCode", "74"},
                                                 {"Zorvane", "Zorvane2Text", "🙂"},  // no GBK
                                                 {"s", "a", "茅"},
                                                 {"Zorvane", "Zorvane1KeyCode", "75"}};
    const std::string starts[] = {"", "[Zorvane]\r\nZorvane1Text=" + kPromptGbk + "\r\n",
                                  "[s]\r\na=\xB0\xB4\r\nb=\xC3\xA9\r\n", utf16File(u"[Zorvane]\r\nx=按\r\n", false)};
    for (const std::string& start : starts) {
        const std::string one = dir.file("one.ini"), all = dir.file("all.ini");
        std::filesystem::remove(one);
        std::filesystem::remove(all);
        if (!start.empty()) {
            writeBytes(one, start);
            writeBytes(all, start);
        }
        std::string firstFailure;
        for (const auto& e : entries)
            if (const auto r = writeValue(one, e.section, e.key, e.value); !r && firstFailure.empty())
                firstFailure = r.why().empty() ? "?" : r.why().substr(r.why().find("one.ini") + 7);
        const auto r = profile::writeValues(all, entries);
        EXPECT_EQ(readBytes(all), readBytes(one)) << start;
        EXPECT_EQ(r.ok(), firstFailure.empty()) << start;
        EXPECT_EQ(r.ok() ? "" : r.why().substr(r.why().find("all.ini") + 7), firstFailure) << start;
    }
}

TEST(ProfileFile, AStrayByteInAUtf8FileStaysAndTheRestReadsAsUtf8) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    const std::string file = "[Zorvane]\nZorvane1Text=" + kPrompt + "\nZorvane2Text=Caf\xE9\nZorvane3Text=修改\n";
    writeBytes(path, file);
    EXPECT_EQ(readValue(path, "Zorvane", "Zorvane1Text", ""), kPrompt);
    EXPECT_EQ(readValue(path, "Zorvane", "Zorvane3Text", ""), "修改");
    ASSERT_TRUE(writeValue(path, "Zorvane", "Zorvane4Text", "热键"));
    EXPECT_EQ(readBytes(path), file + "Zorvane4Text=热键\n");
    // The value read goes back as it came, as the exit routine writes it
    // beside the others; the same bytes as a new value do not.
    EXPECT_EQ(readValue(path, "Zorvane", "Zorvane2Text", ""), "Caf\xE9");
    EXPECT_TRUE(
        profile::writeValues(path, {{"Zorvane", "Zorvane2Text", "Caf\xE9"}, {"Zorvane", "Zorvane4Text", "键"}}));
    EXPECT_FALSE(writeValue(path, "Zorvane", "Zorvane5Text", "Caf\xE9"));
    EXPECT_EQ(readBytes(path), file + "Zorvane4Text=键\n");

    // Writing over the Chinese would leave a file that reads as GBK: refused.
    const std::string twoLatin1 = "[s]\na=\xE9\xE9\nb=" + kPrompt + "\nc=修改\n";
    writeBytes(path, twoLatin1);
    const auto refused = writeValue(path, "s", "b", "x");
    EXPECT_FALSE(refused);
    EXPECT_NE(refused.why().find("left as it is"), std::string::npos);
    EXPECT_EQ(readBytes(path), twoLatin1);
}

TEST(ProfileFile, NewFileIsUtf8AndAWriteChangesOnlyItsLine) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    ASSERT_TRUE(writeValue(path, "Zorvane", "Zorvane1Text", kPrompt));
    const std::string eol = profile::kNewFileEol;
    EXPECT_EQ(readBytes(path), "[Zorvane]" + eol + "Zorvane1Text=" + kPrompt + eol);

    const std::string handEdited = "; keep me\n[Zorvane]\nZorvane1Text = Ctrl + A \n\n[conftext]\n0=A\n# odd line\n";
    writeBytes(path, handEdited);
    ASSERT_TRUE(writeValue(path, "Zorvane", "ZORVANE1TEXT", "Alt + B"));
    EXPECT_EQ(readBytes(path), "; keep me\n[Zorvane]\nZorvane1Text=Alt + B\n\n[conftext]\n0=A\n# odd line\n");
}

TEST(ProfileFile, ASaveRemovesWhatAKilledSaveLeftAndNothingElse) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    writeBytes(path, "[a]\nk=1\n");
    const std::vector<std::string> kept = {".set.ini.bak", "set.ini.Ab12Cd", ".other.ini.Ab12Cd", ".set.ini.Ab12C"};
    for (const auto& name : kept) writeBytes(dir.file(name), "x");
    // A temporary file cut short by a kill, old enough to be left over
    // whichever process has the id 1 now.
    writeBytes(dir.file(".set.ini.saving-1-Ab12Cd"), "[a]\nk=");
    makeOld(dir.file(".set.ini.saving-1-Ab12Cd"));

    ASSERT_TRUE(writeValue(path, "a", "k", "2"));
    EXPECT_FALSE(std::filesystem::exists(dir.file(".set.ini.saving-1-Ab12Cd")));
    for (const auto& name : kept) EXPECT_TRUE(std::filesystem::exists(dir.file(name))) << name;
}

TEST(ProfileFileFailure, PathThatIsAFolderIsReported) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("set.ini"));
    const auto r = writeValue(dir.file("set.ini"), "a", "k", "v");
    EXPECT_FALSE(r);
    EXPECT_NE(r.why().find("set.ini"), std::string::npos);
    EXPECT_EQ(readValue(dir.file("set.ini"), "a", "k", "d"), "d");
}

TEST(ProfileFileUtf16, IsReadAndWrittenBackInItsOwnByteOrder) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    for (const bool bigEndian : {false, true}) {
        writeBytes(path,
                   utf16File(u"[Zorvane]\r\nZorvane1Text=按下热键 🙂\r\nZorvane1KeyCode=65\r\n", bigEndian));
        EXPECT_EQ(readValue(path, "Zorvane", "Zorvane1Text", ""), "按下热键 🙂");
        ASSERT_TRUE(writeValue(path, "Zorvane", "Zorvane1KeyCode", "66"));
        ASSERT_TRUE(writeValue(path, "Zorvane", "Zorvane2Text", "修改"));
        EXPECT_EQ(
            readBytes(path),
            utf16File(u"[Zorvane]\r\nZorvane1Text=按下热键 🙂\r\nZorvane1KeyCode=66\r\nZorvane2Text=修改\r\n",
                      bigEndian));
    }
}

TEST(ProfileFileUnreadable, GivesFallbacksAndIsLeftAsItIs) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    const std::string le = utf16File(u"[s]\r\nk=1\r\n", false);
    const std::string cases[] = {
        le + "x",                                                     // odd length
        le + std::string("\x00\xD8k\x00", 4),                         // high surrogate, no low one
        le + std::string("\x00\xDC", 2),                              // low surrogate alone
        utf16File(u"[s]\r\nk=1", true) + std::string("\xD8\x00", 2),  // text ends in a high surrogate
        le.substr(2),                                                 // no byte-order mark
    };
    for (const std::string& bytes : cases) {
        writeBytes(path, bytes);
        EXPECT_EQ(readValue(path, "s", "k", "d"), "d");
        EXPECT_NE(profile::unreadableReason(path), "");
        const auto r = writeValue(path, "s", "k", "2");
        EXPECT_FALSE(r);
        EXPECT_NE(r.why().find("could not be read"), std::string::npos) << r.why();
        EXPECT_NE(r.why().find("left as it is"), std::string::npos) << r.why();
        EXPECT_EQ(readBytes(path), bytes);
    }
    writeBytes(path, le);
    EXPECT_EQ(profile::unreadableReason(path), "");
    // Larger than any settings file by a byte: not read, not cut short, not replaced.
    const std::string largest = "[s]\nk=1\n;" + std::string(profile::kMaxFileBytes - 9, 'x');
    writeBytes(path, largest);
    EXPECT_EQ(readValue(path, "s", "k", "d"), "1");
    writeBytes(path, largest + "x");
    EXPECT_EQ(readValue(path, "s", "k", "d"), "d");
    EXPECT_NE(profile::unreadableReason(path).find("larger than"), std::string::npos);
    EXPECT_NE(writeValue(path, "s", "k", "2").why().find("left as it is"), std::string::npos);
    EXPECT_TRUE(readBytes(path) == largest + "x");
    // No write makes a file that reads like UTF-16 without its mark.
    EXPECT_FALSE(writeValue(dir.file("new.ini"), std::string("\0s", 2), "k", "v"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("new.ini")));
    EXPECT_EQ(profile::unreadableReason(dir.file("missing.ini")), "");
}
