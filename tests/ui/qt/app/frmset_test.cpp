#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>

#include "app_fixture.h"
#include "ui/qt/hotkey/capture_field.h"
#include "ui/qt/shell/title_strip.h"

namespace {

const QString kPrompt = QString::fromUtf8("按下热键");

QRect geometryOf(QWidget& root, const char* name) {
    auto* w = root.findChild<QWidget*>(name);
    return w ? w->geometry() : QRect();
}

}  // namespace

void MainWindowTest::typeChord(int n, Qt::Key key, Qt::KeyboardModifiers mods) {
    QTest::keyPress(window->ZorvaneN(n)->txtHotKey(), key, mods);
    QTest::keyRelease(window->ZorvaneN(n)->txtHotKey(), key, mods);
}

TEST_F(MainWindowTest, LayoutAsDrawn) {
    frmSet& w = start();
    EXPECT_EQ(w.size(), QSize(389, 405));
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(geometryOf(w, "pmenu"), QRect(0, 0, 389, 25));
    EXPECT_EQ(geometryOf(w, "title"), QRect(8, 0, 201, 25));
    EXPECT_EQ(geometryOf(w, "Image2"), QRect(264, 0, 39, 17));
    EXPECT_EQ(geometryOf(w, "Image3"), QRect(320, 0, 48, 19));
    EXPECT_EQ(geometryOf(w, "Picture1"), QRect(5, 24, 377, 25));
    EXPECT_EQ(geometryOf(w, "Label3_0"), QRect(8, 4, 129, 24));
    EXPECT_EQ(geometryOf(w, "Label4"), QRect(152, 4, 129, 24));
    EXPECT_EQ(geometryOf(w, "Label3_1"), QRect(296, 4, 73, 24));
    EXPECT_EQ(w.findChild<QLabel*>("title")->text(), "Zorvane Change Hotkey");
    EXPECT_EQ(w.findChild<QLabel*>("Label3_0")->text(), QString::fromUtf8("原来的热键"));
    EXPECT_EQ(w.findChild<QLabel*>("Label4")->text(), QString::fromUtf8("修改后热键"));
    EXPECT_EQ(w.findChild<QLabel*>("Label3_1")->text(), QString::fromUtf8("启用"));
    EXPECT_EQ(w.findChild<QWidget*>("pmenu")->palette().color(QPalette::Window), QColor(0, 153, 102));
    EXPECT_EQ(w.findChild<QWidget*>("Picture1")->palette().color(QPalette::Window), QColor(224, 224, 224));
    EXPECT_EQ(w.findChild<QLabel*>("title")->font().pointSize(), 12);
    EXPECT_TRUE(w.findChild<QLabel*>("title")->font().bold());
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8("设置"));

    for (int n = 1; n <= 10; ++n) {
        const int top = 64 + 32 * (n - 1);
        EXPECT_EQ(w.Text1(n - 1)->geometry(), QRect(16, top, 129, 20)) << n;
        EXPECT_EQ(w.ZorvaneN(n)->geometry(), QRect(161, top, 127, 20)) << n;
        EXPECT_EQ(w.Check(n)->geometry(), QRect(304, top, 73, 20)) << n;
        EXPECT_EQ(w.Check(n)->text(), QString::fromUtf8("启用热键"));
        EXPECT_FALSE(w.Check(n)->isChecked());
        EXPECT_EQ(w.ZorvaneN(n)->BackColor(), 0x00C0E0FFu);
        EXPECT_EQ(w.ZorvaneN(n)->txtHotKey()->palette().color(QPalette::Base), QColor(255, 224, 192));
        EXPECT_EQ(w.ZorvaneN(n)->BorderStyle(), 0);
        EXPECT_EQ(w.ZorvaneN(n)->txtHotKey()->geometry(), QRect(0, 0, 127, 20));
        EXPECT_EQ(w.Text1(n - 1)->focusPolicy(), Qt::ClickFocus) << "not a tab stop";
    }
    // The fonts resolve to one with Chinese glyphs.
    EXPECT_EQ(QFontInfo(w.Check(1)->font()).family(), "WenQuanYi Micro Hei");
    EXPECT_EQ(QFontInfo(w.ZorvaneN(1)->Font()).family(), "WenQuanYi Micro Hei");
}

TEST_F(MainWindowTest, FirstStartWithoutSettingsFile) {
    frmSet& w = start();
    for (int n = 1; n <= 10; ++n) {
        EXPECT_EQ(w.Text1(n - 1)->text(), "");
        EXPECT_EQ(w.Text1(n - 1)->toolTip(), "");
        EXPECT_EQ(w.ZorvaneN(n)->Text(), kPrompt);
        EXPECT_EQ(w.ZorvaneN(n)->KeyCode(), 0);
        EXPECT_FALSE(w.ZorvaneN(n)->HotKeyEnabled());
    }
    EXPECT_FALSE(std::filesystem::exists(iniPath)) << "reading creates no file";
    EXPECT_EQ(w.table().settings().path(), iniPath) << "the program's own folder takes files: set.ini goes there";
}

TEST_F(MainWindowTest, EnableToggleFlows) {
    start();
    clickBox(1);  // no chord
    EXPECT_EQ(messages, std::vector<std::string>{"error: Not set hotkey"});
    EXPECT_FALSE(window->Check(1)->isChecked());

    typeChord(2, Qt::Key_A, Qt::ControlModifier | Qt::AltModifier);
    clickBox(2);
    EXPECT_TRUE(window->Check(2)->isChecked());
    EXPECT_TRUE(system.isTaken(mod::Mask::Control | mod::Mask::Alt, 'A'));

    typeChord(3, Qt::Key_A, Qt::ControlModifier | Qt::AltModifier);
    clickBox(3);  // the same chord as slot 2
    EXPECT_EQ(messages.back(), "error: Hotkey already exists, please change a hotkey.");
    EXPECT_FALSE(window->Check(3)->isChecked());
    EXPECT_EQ(window->ZorvaneN(3)->Text(), kPrompt);

    clickBox(2);  // clearing unregisters
    EXPECT_FALSE(window->Check(2)->isChecked());
    EXPECT_FALSE(system.isTaken(mod::Mask::Control | mod::Mask::Alt, 'A'));
}

TEST_F(MainWindowTest, RetypingALiveChordClearsItsBox) {
    start();
    typeChord(5, Qt::Key_F8, {});
    clickBox(5);
    ASSERT_TRUE(window->Check(5)->isChecked());
    typeChord(5, Qt::Key_F9, {});
    EXPECT_FALSE(window->Check(5)->isChecked());
    EXPECT_FALSE(window->ZorvaneN(5)->HotKeyEnabled());
}

TEST_F(MainWindowTest, ATriggerPlaysItsSlotsTargetAlsoWhenMinimisedOrHidden) {
    start();
    window->table().storeTarget(3, {"Ctrl + C", "2|17|67"});
    EXPECT_EQ(window->Text1(3)->toolTip(), "2|17|67");
    typeChord(4, Qt::Key_Q, Qt::AltModifier);
    clickBox(4);
    // With no tray icon to come back from, the dash minimises the window.
    window->Image2()->clicked();
    EXPECT_TRUE(window->isMinimized());
    ASSERT_TRUE(system.press(mod::Mask::Alt, 'Q'));
    window->bringBack();
    EXPECT_FALSE(window->isMinimized());
    EXPECT_TRUE(window->isVisible());
    window->hide();
    ASSERT_TRUE(system.press(mod::Mask::Alt, 'Q'));
    EXPECT_EQ(injector.events, (std::vector<std::string>{"+17", "+67", "-67", "-17", "+17", "+67", "-67", "-17"}));

    // A slot without a target plays nothing.
    injector.events.clear();
    typeChord(6, Qt::Key_F6, {});
    clickBox(6);
    ASSERT_TRUE(system.press({}, vk::F6));
    EXPECT_TRUE(injector.events.empty());
}

TEST_F(MainWindowTest, ClickingATargetFieldOpensTheEditorForThatSlot) {
    start();
    QTest::mouseClick(window->Text1(2), Qt::LeftButton);
    EXPECT_EQ(window->editor()->pd(), "2");
    EXPECT_TRUE(window->editor()->isVisible());
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, ExitStoresEveryChordAndARestartBringsThemBack) {
    start();
    typeChord(1, Qt::Key_A, Qt::ControlModifier | Qt::AltModifier);
    typeChord(10, Qt::Key_F5, Qt::ShiftModifier);
    clickBox(1);
    QTest::mouseClick(window->Text1(0), Qt::LeftButton);
    pick(window->editor()->lovea, "Ctrl");
    pick(window->editor()->lovek, "C");
    window->editor()->Label1_Click();
    int exits = 0;
    QObject::connect(window.get(), &frmSet::exitRequested, [&] { ++exits; });
    window->Image3_Click();
    EXPECT_EQ(exits, 1);

    EXPECT_EQ(file.read("Zorvane", "Zorvane1Text", ""), "Ctrl + Alt + A");
    EXPECT_EQ(file.read("Zorvane", "Zorvane1KeyCode", ""), "65");
    EXPECT_EQ(file.read("Zorvane", "Zorvane1ModKeyCode", ""), "3");
    EXPECT_EQ(file.read("Zorvane", "Zorvane10Text", ""), "Shift + F5");
    EXPECT_EQ(file.read("Zorvane", "Zorvane5Text", ""), "按下热键");
    EXPECT_EQ(file.read("Zorvane", "Zorvane5KeyCode", ""), "0");
    EXPECT_EQ(file.read("conftext", "0", ""), "Ctrl + C");
    EXPECT_EQ(file.read("conftooltip", "0", ""), "2|17|67");

    window.reset();
    start();
    EXPECT_EQ(window->ZorvaneN(1)->Text(), "Ctrl + Alt + A");
    EXPECT_EQ(window->ZorvaneN(10)->KeyCode(), vk::F5);
    EXPECT_EQ(window->Text1(0)->text(), "Ctrl + C");
    EXPECT_EQ(window->Text1(0)->toolTip(), "2|17|67");
    for (int n = 1; n <= 10; ++n) EXPECT_FALSE(window->Check(n)->isChecked());
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindowTest, AFailedSaveIsShownOnceWithThePathAndReason) {
    std::filesystem::create_directory(iniPath);  // nothing can be written there
    start();
    QCoreApplication::processEvents();
    typeChord(1, Qt::Key_A, Qt::ControlModifier);
    window->Image3_Click();
    // That it cannot be read, once the window is up; then the chord's save
    // fails, and the exit's, for the same reason, is not told again.
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[0].find("设置无法读取"), std::string::npos);
    EXPECT_NE(messages[1].find("设置无法保存"), std::string::npos);
    EXPECT_NE(messages[1].find(iniPath), std::string::npos);
    std::filesystem::remove(iniPath);
}

TEST_F(MainWindowTest, TitleStripAndLabelStartAMoveTheImagesDoNot) {
    frmSet& w = start();
    EXPECT_NE(qobject_cast<TitleStrip*>(w.findChild<QWidget*>("pmenu")), nullptr);
    // The title passes its presses on to the strip; the images keep theirs.
    struct PressCounter : QObject {
        int presses = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            presses += e->type() == QEvent::MouseButtonPress;
            return false;
        }
    } strip;
    w.findChild<QWidget*>("pmenu")->installEventFilter(&strip);
    for (QWidget* target :
         {w.findChild<QWidget*>("title"), static_cast<QWidget*>(w.Image2()), static_cast<QWidget*>(w.Image3())})
        QTest::mousePress(target, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(w.findChild<QWidget*>("pmenu"), Qt::LeftButton, {}, QPoint(230, 10));
    EXPECT_EQ(strip.presses, 1);
    const QPoint before = w.pos();
    QTest::mouseMove(w.findChild<QWidget*>("pmenu"), QPoint(100, 10));  // no button held
    EXPECT_EQ(w.pos(), before);
}

TEST_F(MainWindowTest, WithoutGlobalHotkeysTickingSaysWhyAndKeepsTheChord) {
    window = std::make_unique<frmSet>(platform::Services{.unavailable = "Global hotkeys need an X11 session."},
                                      app::SettingsFile::ForProgram(), false);
    for (int n = 1; n <= frmSet::kSlots; ++n)
        window->ZorvaneN(n)->setAlert(
            [this](const std::string& t, const std::string& m) { messages.push_back(t + ": " + m); });
    window->show();
    typeChord(2, Qt::Key_Q, Qt::ControlModifier);
    clickBox(2);
    EXPECT_EQ(messages, std::vector<std::string>{"error: Global hotkeys need an X11 session."});
    EXPECT_FALSE(window->Check(2)->isChecked());
    EXPECT_EQ(window->ZorvaneN(2)->Text(), "Ctrl + Q") << "the chord is kept, not discarded";
    EXPECT_EQ(window->ZorvaneN(2)->KeyCode(), 'Q');
}
