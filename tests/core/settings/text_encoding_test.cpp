// GBK both ways, through iconv on Linux and code page 936 on Windows: the
// two must agree, since a set.ini moves between the systems unchanged.
#include "core/settings/text_encoding.h"

#include <gtest/gtest.h>

using textenc::gbkToUtf8;
using textenc::utf8ToGbk;

namespace {

const std::string kPromptGbk = "\xB0\xB4\xCF\xC2\xC8\xC8\xBC\xFC";  // 按下热键 in GBK

}  // namespace

TEST(Gbk, ChineseAndAsciiRoundTrip) {
    EXPECT_EQ(utf8ToGbk("按下热键"), kPromptGbk);
    EXPECT_EQ(gbkToUtf8(kPromptGbk), "按下热键");
    for (const std::string text : {"Ctrl + 键", "修改后热键", "a?b", "é", ""})
        EXPECT_EQ(gbkToUtf8(utf8ToGbk(text).value_or("-")), text) << text;
}

TEST(Gbk, TextGbkCannotHoldIsRefusedNotReplaced) {
    // Windows would write '?' or a look-alike (A for À) unless told not to;
    // iconv stops. Either way the text must not come back changed.
    for (const std::string text : {"🙂", "À", "a🙂b", "ok À"}) EXPECT_EQ(utf8ToGbk(text), std::nullopt) << text;
}

TEST(Gbk, BytesThatAreNoGbkAreRefused) {
    for (const std::string& bytes : {std::string("\xB0"), std::string("a\xB0"), std::string("\xB0\x20"),
                                     std::string("\xFF\xFF"), std::string("\x81\x7F")})
        EXPECT_EQ(gbkToUtf8(bytes), std::nullopt) << bytes.size();
}

TEST(EncodingDetection, ChineseLinesDecideAndStrayBytesDoNot) {
    using textenc::detect;
    using textenc::Encoding;
    // A UTF-8 file with a Latin-1 byte in one value, or in its only non-ASCII line.
    EXPECT_EQ(detect("[s]\na=按下热键\nb=Caf\xE9\r\nc=修改后热键\n"), Encoding::Utf8);
    EXPECT_EQ(detect("[s]\nb=Andr\xE9s\n"), Encoding::Utf8);
    EXPECT_EQ(detect("[s]\nb=\xE9\xE9\nc=修改\nd=热键\n"), Encoding::Utf8);
    // A GBK file, even with a line that happens to be valid UTF-8 (茅 is C3 A9)
    // and one that is no text at all.
    EXPECT_EQ(detect("[s]\r\na=" + kPromptGbk + "\r\n"), Encoding::Gbk);
    EXPECT_EQ(detect("[s]\r\na=" + kPromptGbk + "\r\nb=\xC3\xA9\r\nc=\xB0\r\n"), Encoding::Gbk);
    EXPECT_EQ(detect("[s]\ra=\xB0\xB4\rb=\xC3\xA9\r"), Encoding::Gbk);
    EXPECT_EQ(detect("\xEF\xBB\xBF[s]\na=\xB0\xB4\n"), Encoding::Gbk);
    EXPECT_EQ(detect("[s]\na=ascii\n"), Encoding::Utf8);
}
