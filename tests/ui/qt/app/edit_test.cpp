#include <QLabel>
#include <QMouseEvent>
#include <QTest>

#include "app_fixture.h"
#include "ui/qt/shell/title_strip.h"

namespace {

struct Slot {
    QString text, action;
};

}  // namespace

class EditorTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        start();
    }
    edit* open(int i) {
        window->Text1_Click(i);
        return window->editor();
    }
    Slot slot(int i) const { return {window->Text1(i)->text(), window->Text1(i)->toolTip()}; }
    Slot save(int i, const QString& a, const QString& k, const QString& m) {
        edit* e = open(i);
        pick(e->lovea, a);
        pick(e->lovek, k);
        pick(e->lovem, m);
        e->Label1_Click();
        return slot(i);
    }
};

TEST_F(EditorTest, PickersHoldTheKeyNamesInTheirOrder) {
    edit* e = open(0);
    for (QComboBox* p : {e->lovea, e->lovek, e->lovem}) {
        ASSERT_EQ(p->count(), 63);
        EXPECT_EQ(p->itemText(0), "");
        EXPECT_EQ(p->itemText(1), "Shift");
        EXPECT_EQ(p->itemText(5), "Enter");
        EXPECT_EQ(p->itemText(36), "R-0");
        EXPECT_EQ(p->itemText(37), "A");
        EXPECT_EQ(p->itemText(62), "Z");
        EXPECT_EQ(p->currentText(), "");
    }
    EXPECT_EQ(e->size(), QSize(457, 186));
    EXPECT_EQ(e->lovea->geometry(), QRect(24, 48, 121, 25));
    EXPECT_EQ(e->lovek->geometry(), QRect(160, 48, 121, 25));
    EXPECT_EQ(e->lovem->geometry(), QRect(296, 48, 121, 25));
    EXPECT_EQ(e->Label1->geometry(), QRect(24, 96, 409, 41));
    EXPECT_EQ(e->Label1->text(), QString::fromUtf8("添加"));
    EXPECT_EQ(e->pelmaran->geometry(), QRect(32, 160, 417, 25));
    EXPECT_TRUE(e->pelmaran->text().startsWith("Learn More Hotkey:Search"));
    EXPECT_EQ(e->pelmaran->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(e->findChild<QLabel*>("title")->text(), QString::fromUtf8("编辑"));
}

TEST_F(EditorTest, SavesComposeTextAndActionString) {
    auto expect = [](const Slot& s, const char* text, const char* action) {
        EXPECT_EQ(s.text.toStdString(), text);
        EXPECT_EQ(s.action.toStdString(), action);
    };
    expect(save(0, "A", "", ""), "A", "1|65");
    expect(save(1, "Ctrl", "", "C"), "Ctrl + C", "2|17|67");
    expect(save(2, "Ctrl", "Shift", "S"), "Ctrl + Shift + S", "3|17|16|83");
    expect(save(3, "A", "A", ""), "A + A", "2|65|65");
    expect(save(4, "Enter", "", ""), "Enter", "1|13");
    expect(save(5, "R-0", "", ""), "R-0", "1|96");
    EXPECT_EQ(file.read("conftext", "1", ""), "Ctrl + C");
    EXPECT_EQ(file.read("conftooltip", "1", ""), "2|17|67");
    EXPECT_EQ(file.read("conftooltip", "2", ""), "3|17|16|83");
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->editor()->isVisible());
}

TEST_F(EditorTest, WithoutKeyOneNothingIsWritten) {
    save(3, "A", "", "");
    const Slot before = slot(3);
    EXPECT_EQ(save(3, "", "Ctrl", "C").action, before.action);
    // Choosing a key and then the blank entry in picker 1 also writes nothing.
    edit* e = open(3);
    pick(e->lovea, "Ctrl");
    pick(e->lovea, "");
    e->Label1_Click();
    EXPECT_EQ(slot(3).text, before.text);
    EXPECT_EQ(file.read("conftooltip", "3", ""), "1|65");
    EXPECT_TRUE(window->isVisible()) << "the main window comes back all the same";
}

TEST_F(EditorTest, ASaveKeepsThePickersAndACloseForgetsThem) {
    save(3, "Ctrl", "", "C");
    edit* e = open(5);
    e->Label1_Click();  // at once: the same keys
    EXPECT_EQ(slot(5).text, "Ctrl + C");
    EXPECT_EQ(slot(5).action, "2|17|67");

    e = open(7);
    e->Image3->clicked();
    EXPECT_TRUE(window->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    e = open(7);
    EXPECT_EQ(e->lovea->currentText(), "");
    e->Label1_Click();
    EXPECT_EQ(slot(7).action, "") << "a fresh editor writes nothing";
}

TEST_F(EditorTest, TheLastOpenedSlotIsTheOneSaved) {
    edit* e = open(1);
    pick(e->lovea, "F");
    window->show();          // brought back through the tray while the editor is open
    window->Text1_Click(8);  // another slot
    e->Label1_Click();
    EXPECT_EQ(slot(8).action, "1|70");
    EXPECT_EQ(slot(1).action, "");
}

TEST_F(EditorTest, TheLinkIsUnderlinedWhileThePointerIsOverIt) {
    edit* e = open(0);
    QTest::mouseMove(e->pelmaran, QPoint(10, 5));
    EXPECT_TRUE(e->pelmaran->font().underline());
    QTest::mouseMove(e->Label1, QPoint(10, 5));  // straight onto another control
    EXPECT_TRUE(e->pelmaran->font().underline());
    QTest::mouseMove(e, QPoint(5, 150));  // the bare body
    EXPECT_FALSE(e->pelmaran->font().underline());
}
