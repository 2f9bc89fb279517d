// A new settings file on Windows is in the system's ANSI code page where that
// is GBK (936), as other tools on a Chinese system read it. The second half
// runs only in the process ctest starts with a Chinese locale, whose ANSI
// code page Wine makes 936.
#include <windows.h>
#include <gtest/gtest.h>

#include "core/settings/profile_file.h"
#include "support/temp_dir.h"

using profile::readValue;
using profile::writeValue;

namespace {

const std::string kPrompt = "按下热键";
const std::string kPromptGbk = "\xB0\xB4\xCF\xC2\xC8\xC8\xBC\xFC";
const std::string kPromptUtf8 = "\xE6\x8C\x89\xE4\xB8\x8B\xE7\x83\xAD\xE9\x94\xAE";

}  // namespace

TEST(CodePage, ANewFileIsUtf8WhereTheAnsiCodePageIsNotGbk) {
    if (::GetACP() == 936) GTEST_SKIP() << "a code page 936 system";
    TempDir dir;
    ASSERT_TRUE(writeValue(dir.file("set.ini"), "Zorvane", "Zorvane1Text", kPrompt));
    EXPECT_EQ(readBytes(dir.file("set.ini")), "[Zorvane]\r\nZorvane1Text=" + kPromptUtf8 + "\r\n");
}

TEST(CodePage936, ANewFileIsGbkWhenGbkHoldsItsTextAndUtf8WhenNot) {
    if (::GetACP() != 936) GTEST_SKIP() << "run with a Chinese locale (ctest: settings_in_code_page_936)";
    TempDir dir;
    const std::string gbk = dir.file("gbk.ini"), utf8 = dir.file("utf8.ini");
    ASSERT_TRUE(writeValue(gbk, "Zorvane", "Zorvane1Text", kPrompt));
    EXPECT_EQ(readBytes(gbk), "[Zorvane]\r\nZorvane1Text=" + kPromptGbk + "\r\n");
    EXPECT_EQ(readValue(gbk, "Zorvane", "Zorvane1Text", ""), kPrompt);

    const std::string smile = "\xF0\x9F\x98\x80";  // no GBK character
    ASSERT_TRUE(writeValue(utf8, "conftext", "0", smile + kPrompt));
    EXPECT_EQ(readBytes(utf8), "[conftext]\r\n0=" + smile + kPromptUtf8 + "\r\n");
    // The file keeps the encoding it has: a later value GBK could hold stays UTF-8.
    ASSERT_TRUE(writeValue(utf8, "Zorvane", "Zorvane1Text", kPrompt));
    EXPECT_NE(readBytes(utf8).find("Zorvane1Text=" + kPromptUtf8), std::string::npos);
}

TEST(CodePage936, AFileOfPlainAsciiTakesGbkAndAUtf8FileStaysUtf8) {
    if (::GetACP() != 936) GTEST_SKIP() << "run with a Chinese locale (ctest: settings_in_code_page_936)";
    TempDir dir;
    const std::string ascii = dir.file("ascii.ini"), utf8 = dir.file("utf8.ini");
    writeBytes(ascii, "[Zorvane]\r\nZorvane1Key=74\r\n");
    ASSERT_TRUE(writeValue(ascii, "Zorvane", "Zorvane1Text", kPrompt));
    EXPECT_EQ(readBytes(ascii), "[Zorvane]\r\nZorvane1Key=74\r\nZorvane1Text=" + kPromptGbk + "\r\n");

    writeBytes(utf8, "[conftext]\r\n0=" + kPromptUtf8 + "\r\n");
    ASSERT_TRUE(writeValue(utf8, "conftext", "1", kPrompt));
    EXPECT_EQ(readBytes(utf8), "[conftext]\r\n0=" + kPromptUtf8 + "\r\n1=" + kPromptUtf8 + "\r\n");
}
