// Hand-edited and damaged set.ini files: the program starts with sound values
// and keeps running.

#include <random>

#include "app_fixture.h"

namespace {

const QString kPrompt = QString::fromUtf8("按下热键");

class DamagedSettings : public MainWindowTest {
protected:
    void startWith(const std::string& bytes) {
        writeBytes(iniPath, bytes);
        start();
    }
    // Every slot holds something the program can live with.
    void expectSoundSlots() {
        for (int n = 1; n <= frmSet::kSlots; ++n) {
            EXPECT_GE(window->ZorvaneN(n)->KeyCode(), 0);
            EXPECT_LE(window->ZorvaneN(n)->KeyCode(), 255);
            EXPECT_EQ(window->ZorvaneN(n)->ModKeyCode() & ~mod::Mask::All.bits(), 0);
            EXPECT_LE(window->Text1(n - 1)->text().toUtf8().size(), 254);
            EXPECT_FALSE(window->ZorvaneN(n)->HotKeyEnabled());
        }
        // It goes on working: a trigger plays, and exit saves.
        typeChord(1, Qt::Key_F6, {});
        window->Text1(0)->setToolTip("1|65");
        clickBox(1);
        EXPECT_TRUE(system.press({}, vk::F6));
        window->Image3_Click();
        EXPECT_EQ(file.read("Zorvane", "Zorvane1Text", ""), "F6");
    }
};

}  // namespace

TEST_F(DamagedSettings, BinaryGarbage) {
    std::mt19937 rng(11);
    std::string bytes(64 * 1024, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    startWith(bytes);
    expectSoundSlots();
}

TEST_F(DamagedSettings, HugeValues) {
    startWith("[conftext]\n0=" + std::string(1 << 20, 'x') + "\n[Zorvane]\nZorvane2Text=" + std::string(5000, 'y') +
              "\nZorvane2KeyCode=65\nZorvane2ModKeyCode=2\n");
    EXPECT_EQ(window->Text1(0)->text().size(), 254);
    EXPECT_EQ(window->ZorvaneN(2)->Text().size(), 254);
    EXPECT_EQ(window->ZorvaneN(2)->KeyCode(), 65);
    expectSoundSlots();
}

TEST_F(DamagedSettings, MissingSectionsAndNonNumericCodes) {
    startWith(
        "[conftooltip]\n0=2|17|67\n[Zorvane]\nZorvane1Text=Ctrl + A\nZorvane1KeyCode=A\nZorvane1ModKeyCode=2\n"
        "Zorvane3KeyCode=\nZorvane4KeyCode=70\nZorvane4ModKeyCode=-1\nZorvane5KeyCode=9999\n");
    EXPECT_EQ(window->Text1(0)->toolTip(), "2|17|67");
    EXPECT_EQ(window->Text1(0)->text(), "");
    for (int n : {1, 3, 4, 5}) {
        EXPECT_EQ(window->ZorvaneN(n)->Text(), kPrompt) << n;
        EXPECT_EQ(window->ZorvaneN(n)->KeyCode(), 0) << n;
    }
    expectSoundSlots();
}

TEST_F(DamagedSettings, DuplicateKeysAndSections) {
    startWith(
        "[conftext]\n0=first\n0=second\n[CONFTEXT]\n1=other section\n[Zorvane]\nZorvane1KeyCode=66\n"
        "zorvane1keycode=67\nZorvane1Text=B\n");
    EXPECT_EQ(window->Text1(0)->text(), "first");
    EXPECT_EQ(window->Text1(1)->text(), "");
    EXPECT_EQ(window->ZorvaneN(1)->KeyCode(), 66);
    expectSoundSlots();
}

TEST_F(DamagedSettings, TenThousandLines) {
    std::string bytes = "[Zorvane]\n";
    for (int i = 0; i < 10000; ++i) bytes += "Filler" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    bytes += "Zorvane7Text=Alt + Q\nZorvane7KeyCode=81\nZorvane7ModKeyCode=1\n[conftext]\n6=Ctrl + W\n";
    startWith(bytes);
    EXPECT_EQ(window->ZorvaneN(7)->Text(), "Alt + Q");
    EXPECT_EQ(window->Text1(6)->text(), "Ctrl + W");
    expectSoundSlots();
    EXPECT_NE(readBytes(iniPath).find("Filler9999=9999\n"), std::string::npos) << "lines of others are kept";
}
