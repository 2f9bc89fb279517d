#include "ui/qt/app/frmSet.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include "ui/qt/editor/edit.h"
#include "ui/qt/hotkey/zorvane.h"
#include "core/playback/keyfunc.h"
#include "ui/qt/shell/pictures.h"
#include "ui/qt/shell/title_strip.h"
#include "ui/qt/shell/tray.h"

namespace {

QFont namedFont(const char* family, int points, bool bold = false) {
    QFont f(QString::fromUtf8(family), points);
    f.setBold(bold);
    return f;
}

QString fromStd(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

constexpr int rowTop(int n) { return 64 + 32 * (n - 1); }

}  // namespace

frmSet::frmSet(const platform::Services& services, app::SettingsFile settings, bool tray)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::Tool), services_(services), withTray_(tray) {
    table_ = std::make_unique<app::SlotTable>(static_cast<app::SlotTable::View&>(*this), services_,
                                              std::move(settings), [](int ms) { keyfunc::Delay(ms); });
    alert_ = [this](const QString& title, const QString& text) {
        QMessageBox::warning(isVisible() ? this : nullptr, title, text);
    };
    buildLayout();
    Form_Load();
}

frmSet::~frmSet() {
    if (editor_) delete editor_.data();
}

void frmSet::setAlert(Alert alert) { alert_ = std::move(alert); }

void frmSet::buildLayout() {
    setObjectName("frmSet");
    setWindowTitle(QString::fromUtf8("设置"));
    setWindowIcon(pictures::appIcon());
    setFixedSize(389, 405);
    setFont(namedFont("微软雅黑", 9));

    auto* pmenu = placed<TitleStrip>(this, 0, 0, 389, 25);
    pmenu->setObjectName("pmenu");
    auto* title = placed<QLabel>(pmenu, 8, 0, 201, 25, QString("Zorvane Change Hotkey"));
    title->setObjectName("title");
    title->setFont(namedFont("微软雅黑", 12, true));
    title->setStyleSheet("color: white; background: transparent;");
    const qreal dpr = devicePixelRatioF();
    image2_ = placed<ClickableImage>(pmenu, 264, 0, 39, 17);
    image2_->setObjectName("Image2");
    image2_->setPixmap(pictures::minimisePixmap(dpr));
    image3_ = placed<ClickableImage>(pmenu, 320, 0, 48, 19);
    image3_->setObjectName("Image3");
    image3_->setPixmap(pictures::closePixmap(dpr));

    auto* picture1 = placed<QWidget>(this, 5, 24, 377, 25);
    picture1->setObjectName("Picture1");
    picture1->setAutoFillBackground(true);
    QPalette gray = picture1->palette();
    gray.setColor(QPalette::Window, QColor(224, 224, 224));
    picture1->setPalette(gray);
    auto header = [picture1](const char* name, const char* text, int x, int w) {
        auto* l = placed<QLabel>(picture1, x, 4, w, 24, QString::fromUtf8(text));
        l->setObjectName(name);
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    };
    header("Label3_0", "原来的热键", 8, 129);
    header("Label4", "修改后热键", 152, 129);
    header("Label3_1", "启用", 296, 73);

    const QVariantMap triggerLook{{"BackColor", 0x00C0E0FFu}, {"Font", namedFont("宋体", 9)}, {"BorderStyle", 0}};
    for (int n = 1; n <= kSlots; ++n) {
        const int i = n - 1;
        auto* text = placed<QLineEdit>(this, 16, rowTop(n), 129, 20);
        text->setObjectName(QString("Text1_%1").arg(i));
        text->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
        text->setReadOnly(true);               // its text only shows the target; the editor sets it
        text->installEventFilter(this);
        text1_[i] = text;

        auto* z = new Zorvane(fromStd(app::SlotTable::ControlName(n)), this, true, services_, &table_->chordStore());
        z->setGeometry(161, rowTop(n), 127, 20);
        z->ReadProperties(triggerLook);
        connect(z, &Zorvane::HotKeyPressed, this, [this, n] { table_->hotKeyPressed(n); });
        connect(z, &Zorvane::HotKeyTurnedOff, this, [this, n] { table_->hotKeyTurnedOff(n); });
        zorvane_[i] = z;

        auto* box = placed<QCheckBox>(this, 304, rowTop(n), 73, 20, QString::fromUtf8("启用热键"));
        box->setObjectName(QString("Check%1").arg(n));
        connect(box, &QCheckBox::clicked, this, [this, n] { table_->checkClicked(n, check_[n - 1]->isChecked()); });
        check_[i] = box;
    }

    connect(image2_, &ClickableImage::clicked, this, &QWidget::hide);
    connect(image3_, &ClickableImage::clicked, this, &frmSet::Image3_Click);
    if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
}

void frmSet::Form_Load() {
    shape1_ = new FrameShape(this, pictures::kGreen);
    table_->load();
    if (withTray_) {
        tray_ = new Tray(this);
        connect(tray_, &Tray::showRequested, this, &QWidget::show);
        connect(tray_, &Tray::exitRequested, this, &frmSet::Image3_Click);
        tray_->add();
    }
    editor();  // the link's hand cursor is set as the editor is made, hidden
    shape1_->raise();
    QTimer::singleShot(0, this, [this] { table_->reportUnreadableSettings(); });
}

edit* frmSet::editor() {
    if (!editor_) {
        editor_ = new edit(table_->editor());
        connect(editor_, &edit::finished, this, &QWidget::show);
        editor_->pelmaran->setCursor(Qt::PointingHandCursor);
    }
    return editor_;
}

void frmSet::opendo(const QString& textall) { table_->opendo(textall.toStdString()); }

void frmSet::Text1_Click(int i) {
    table_->editor().open(i);
    edit* e = editor();
    e->show();
    e->raise();
    e->activateWindow();
    hide();
}

bool frmSet::SaveAllChords() { return table_->saveAllChords(); }

// --- the table's view ---------------------------------------------------------

hotkey::ControlLogic& frmSet::control(int n) { return zorvane_[n - 1]->logic(); }

void frmSet::showTarget(int i, const app::SlotTable::Target& target) {
    text1_[i]->setText(fromStd(target.text));
    text1_[i]->setCursorPosition(0);
    text1_[i]->setToolTip(fromStd(target.action));
}

void frmSet::setChecked(int n, bool on) { check_[n - 1]->setChecked(on); }

void frmSet::alert(const std::string& title, const std::string& text) { alert_(fromStd(title), fromStd(text)); }

void frmSet::Image3_Click() { table_->end(app::SlotTable::Ending::Exit); }

void frmSet::quit() {
    if (tray_) tray_->remove();
    hide();
    emit exitRequested();
}

bool frmSet::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int i = 0; i < kSlots; ++i)
            if (watched == text1_[i]) Text1_Click(i);
    }
    return QWidget::eventFilter(watched, event);
}
