// set.ini files from elsewhere, through the program: one written by the
// program on a Chinese Windows system (GBK, CRLF) and one written on Linux
// (UTF-8, LF). Each is read as it is and kept in its own encoding and line ends.

#include "app_fixture.h"

namespace {

// "按下热键" and "粘贴" in GBK, and a line of someone else's.
const std::string kGbkFile =
    "[Zorvane]\r\n"
    "Zorvane1Text=Ctrl + Alt + A\r\nZorvane1KeyCode=65\r\nZorvane1ModKeyCode=3\r\n"
    "Zorvane2Text=\xB0\xB4\xCF\xC2\xC8\xC8\xBC\xFC\r\nZorvane2KeyCode=0\r\nZorvane2ModKeyCode=0\r\n"
    "[conftext]\r\n0=Ctrl + C\r\n1=\xD5\xB3\xCC\xF9\r\n"
    "[conftooltip]\r\n0=2|17|67\r\n1=2|17|86\r\n"
    "[other]\r\nnote=\xB8\xB4\xD6\xC6\r\n";

const std::string kLinuxFile =
    "[Zorvane]\n"
    "Zorvane1Text=Win + Z\nZorvane1KeyCode=90\nZorvane1ModKeyCode=8\n"
    "Zorvane2Text=\xE6\x8C\x89\xE4\xB8\x8B\xE7\x83\xAD\xE9\x94\xAE\nZorvane2KeyCode=0\nZorvane2ModKeyCode=0\n"
    "[conftext]\n0=Ctrl + Z\n1=\xE7\xB2\x98\xE8\xB4\xB4\n"
    "[conftooltip]\n0=2|17|90\n";

}  // namespace

TEST_F(Win32AppTest, AGbkFileFromAChineseWindowsSystemIsReadAndKeptAsItIs) {
    WriteBytes(iniPath, kGbkFile);
    auto& w = start();
    EXPECT_EQ(text(w.ZorvaneN(1).hwnd()), L"Ctrl + Alt + A");
    EXPECT_EQ(w.ZorvaneN(1).logic().capture().modKeyCode(), mod::Mask::Control | mod::Mask::Alt);
    EXPECT_EQ(text(w.ZorvaneN(2).hwnd()), L"按下热键");
    EXPECT_EQ(text(w.Text1(1)), L"粘贴");
    EXPECT_EQ(w.Text1Tip(0), L"2|17|67");

    // Saving the same chords writes the same bytes.
    click(w.Image3());
    ASSERT_TRUE(exited);
    const std::string after = ReadBytes(iniPath);
    EXPECT_EQ(after.substr(0, kGbkFile.find("[conftext]")), kGbkFile.substr(0, kGbkFile.find("[conftext]")));
    EXPECT_NE(after.find("[other]\r\nnote=\xB8\xB4\xD6\xC6\r\n"), std::string::npos) << "other lines are kept";
    EXPECT_NE(after.find("Zorvane3Text=\xB0\xB4\xCF\xC2\xC8\xC8\xBC\xFC\r\n"), std::string::npos)
        << "new values in GBK, with CRLF";
    EXPECT_EQ(after.find("\xE6\x8C\x89"), std::string::npos) << "no UTF-8 in a GBK file";
}

TEST_F(Win32AppTest, ALinuxWrittenFileWorksUnchanged) {
    WriteBytes(iniPath, kLinuxFile);
    auto& w = start();
    EXPECT_EQ(text(w.ZorvaneN(1).hwnd()), L"Win + Z");
    EXPECT_EQ(w.ZorvaneN(1).logic().capture().keyCode(), 'Z');
    EXPECT_EQ(text(w.ZorvaneN(2).hwnd()), L"按下热键");
    EXPECT_EQ(text(w.Text1(1)), L"粘贴");
    EXPECT_EQ(w.Text1Tip(0), L"2|17|90");

    click(w.Image3());
    ASSERT_TRUE(exited);
    const std::string after = ReadBytes(iniPath);
    EXPECT_EQ(after.rfind(kLinuxFile.substr(0, kLinuxFile.find("[conftext]")), 0), 0u);
    EXPECT_NE(after.find("Zorvane3Text=\xE6\x8C\x89\xE4\xB8\x8B\xE7\x83\xAD\xE9\x94\xAE\n"), std::string::npos);
    EXPECT_EQ(after.find('\r'), std::string::npos) << "LF stays LF";
}
