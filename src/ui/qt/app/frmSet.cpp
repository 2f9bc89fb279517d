#include "ui/qt/app/frmSet.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

#include "core/view/texts.h"
#include "ui/playback/keyfunc.h"
#include "ui/qt/editor/edit.h"
#include "ui/qt/hotkey/zorvane.h"
#include "ui/qt/shell/look.h"
#include "ui/qt/shell/pictures.h"
#include "ui/qt/shell/title_strip.h"
#include "ui/qt/shell/tray.h"

namespace layout = view::main_window;

frmSet::frmSet(const platform::Services& services, app::SettingsFile settings, bool tray)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::Tool), services_(services), withTray_(tray) {
    table_ = std::make_unique<app::SlotTable>(static_cast<app::SlotTable::View&>(*this), services_, std::move(settings),
                                              [](int ms) { keyfunc::Delay(ms); });
    alert_ = [this](const QString& title, const QString& text) {
        QMessageBox::warning(isVisible() ? this : nullptr, title, text);
    };
    buildLayout();
    Form_Load();
}

frmSet::~frmSet() {
    if (tray_) diag::SetNoticeSink(nullptr);
    if (editor_) delete editor_.data();
}

void frmSet::setAlert(Alert alert) { alert_ = std::move(alert); }

void frmSet::buildLayout() {
    setObjectName("frmSet");
    setWindowTitle(QString::fromUtf8(texts::kMainWindowTitle));
    setWindowIcon(pictures::appIcon());
    setFixedSize(layout::kWidth, layout::kHeight);
    setFont(toFont(view::kBodyFont));

    auto* pmenu = placed<TitleStrip>(this, layout::kStrip);
    pmenu->setObjectName("pmenu");
    auto* title = placed<QLabel>(pmenu, layout::kTitle, QString(texts::kProductName));
    title->setObjectName("title");
    title->setFont(toFont(view::kTitleFont));
    title->setStyleSheet(pictures::textOnGreen());
    const qreal dpr = devicePixelRatioF();
    image2_ = placed<ClickableImage>(pmenu, layout::kImage2);
    image2_->setObjectName("Image2");
    image2_->setPixmap(pictures::minimisePixmap(dpr));
    image3_ = placed<ClickableImage>(pmenu, layout::kImage3);
    image3_->setObjectName("Image3");
    image3_->setPixmap(pictures::closePixmap(dpr));

    auto* picture1 = placed<QWidget>(this, layout::kPicture1);
    picture1->setObjectName("Picture1");
    picture1->setAutoFillBackground(true);
    QPalette gray = picture1->palette();
    gray.setColor(QPalette::Window, toColor(view::kHeaderGrey));
    picture1->setPalette(gray);
    const char* headingNames[] = {"Label3_0", "Label4", "Label3_1"};
    for (int k = 0; k < 3; ++k) {
        auto* l = placed<QLabel>(picture1, layout::kHeadings[k], QString::fromUtf8(texts::kHeadings[k]));
        l->setObjectName(headingNames[k]);
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }

    const QVariantMap triggerLook{
        {"BackColor", quint32(view::kTriggerBack.bgr())}, {"Font", toFont(layout::kTriggerFont)}, {"BorderStyle", 0}};
    for (int n = 1; n <= kSlots; ++n) {
        const int i = n - 1;
        auto* text = placed<QLineEdit>(this, layout::Text1(n));
        text->setObjectName(QString("Text1_%1").arg(i));
        text->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
        text->setReadOnly(true);               // its text only shows the target; the editor sets it
        text->installEventFilter(this);
        text1_[i] = text;

        auto* z = new Zorvane(toText(app::SlotTable::ControlName(n)), this, true, services_, &table_->chordStore());
        z->setGeometry(toRect(layout::Trigger(n)));
        z->ReadProperties(triggerLook);
        zorvane_[i] = z;

        auto* box = placed<QCheckBox>(this, layout::Check(n), QString::fromUtf8(texts::kCheck));
        box->setObjectName(QString("Check%1").arg(n));
        connect(box, &QCheckBox::clicked, this, [this, n] { table_->checkClicked(n, check_[n - 1]->isChecked()); });
        check_[i] = box;
    }

    connect(image2_, &ClickableImage::clicked, this, &frmSet::Image2_Click);
    connect(image3_, &ClickableImage::clicked, this, &frmSet::Image3_Click);
    if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
}

void frmSet::Form_Load() {
    shape1_ = new FrameShape(this, toColor(view::kGreen));
    table_->load();
    if (withTray_ && !Tray::available())
        diag::Report(
            "the desktop has no notification area: the window is the only way back, and notices are only logged");
    if (withTray_ && Tray::available()) {
        tray_ = new Tray(this);
        connect(tray_, &Tray::showRequested, this, &frmSet::bringBack);
        connect(tray_, &Tray::exitRequested, this, &frmSet::Image3_Click);
        tray_->add();
        diag::SetNoticeSink([this](diag::Cause cause) {
            if (tray_) tray_->notify(texts::kNoticeTitle, texts::NoticeText(cause));
        });
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

void frmSet::Text1_Click(int i) {
    table_->editor().open(i);
    edit* e = editor();
    e->show();
    e->raise();
    e->activateWindow();
    hide();
}

bool frmSet::SaveAllChords() { return table_->saveAllChords(); }

void frmSet::Image2_Click() {
    // On X11 the icon waits for a notification area that may come later, so
    // whether one is there is asked now.
    if (tray_ && QSystemTrayIcon::isSystemTrayAvailable()) return hide();
    // A tool window is left out of the taskbar, where a minimised one is found again.
    if (windowFlags() & Qt::Tool) setWindowFlag(Qt::Tool, false);
    showMinimized();
}

void frmSet::bringBack() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

// --- the table's view ---------------------------------------------------------

hotkey::ControlLogic& frmSet::control(int n) { return zorvane_[n - 1]->logic(); }

void frmSet::showTarget(int i, const app::SlotTable::Target& target) {
    text1_[i]->setText(toText(target.text));
    text1_[i]->setCursorPosition(0);
    text1_[i]->setToolTip(toText(target.action));
}

void frmSet::setChecked(int n, bool on) { check_[n - 1]->setChecked(on); }

void frmSet::alert(const std::string& title, const std::string& text) { alert_(toText(title), toText(text)); }

void frmSet::Image3_Click() { table_->end(app::SlotTable::Ending::Exit); }

void frmSet::quit() {
    if (tray_) tray_->remove();
    hide();
    emit exitRequested();
}

bool frmSet::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int i = 0; i < kSlots; ++i)
            if (watched == text1_[i]) Text1_Click(i);
    }
    return QWidget::eventFilter(watched, event);
}
