#include "ui/qt/editor/edit.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QScreen>
#include <QUrl>

#include "core/editor/key_names.h"
#include "ui/qt/shell/pictures.h"
#include "ui/qt/shell/title_strip.h"
#include "core/view/web_pages.h"

namespace {

QFont yahei(int points, bool bold = false) {
    QFont f(QString::fromUtf8("微软雅黑"), points);
    f.setBold(bold);
    return f;
}

}  // namespace

edit::edit(app::EditorSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::Tool), session_(session) {
    setObjectName("edit");
    setWindowTitle(QString::fromUtf8("编辑"));
    setWindowIcon(pictures::appIcon());
    // Tall enough for the whole link, which starts 15 pixels above the bottom of a 175-pixel window.
    setFixedSize(457, 186);
    setFont(yahei(9));
    setMouseTracking(true);

    auto* pmenu = placed<TitleStrip>(this, 0, 0, 457, 25);
    pmenu->setObjectName("pmenu");
    // The title has no handler of its own: only the bare strip moves the editor.
    auto* title = placed<InertLabel>(pmenu, 8, 0, 120, 25, QString::fromUtf8("编辑"));
    title->setObjectName("title");
    title->setFont(yahei(12, true));
    title->setStyleSheet("color: white; background: transparent;");
    auto* logo = placed<QLabel>(this, 144, 8, 22, 22);
    logo->setObjectName("logo");
    logo->setPixmap(pictures::appIconPixmap(22, devicePixelRatioF()));
    Image3 = placed<ClickableImage>(pmenu, 384, 0, 48, 19);
    Image3->setObjectName("Image3");
    Image3->setPixmap(pictures::closePixmap(devicePixelRatioF()));

    lovea = placed<QComboBox>(this, 24, 48, 121, 25);
    lovek = placed<QComboBox>(this, 160, 48, 121, 25);
    lovem = placed<QComboBox>(this, 296, 48, 121, 25);
    lovea->setObjectName("lovea");
    lovek->setObjectName("lovek");
    lovem->setObjectName("lovem");

    Label1 = placed<QLabel>(this, 24, 96, 409, 41, QString::fromUtf8("添加"));
    Label1->setObjectName("Label1");
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFont(yahei(18, true));
    Label1->setStyleSheet("color: white; background: rgb(0, 153, 102);");
    Label1->installEventFilter(this);

    pelmaran = placed<QLabel>(this, 32, 160, 417, 25,
                              QString("Learn More Hotkey:Search \"hotkey\" on %1").arg(web::kPelmaranSite));
    pelmaran->setObjectName("pelmaran");
    pelmaran->setFont(yahei(12));
    pelmaran->setMouseTracking(true);
    pelmaran->installEventFilter(this);

    auto* frame = new FrameShape(this, pictures::kGreen);
    frame->raise();

    connect(Image3, &ClickableImage::clicked, this, [this] { session_.close(); });
    session_.onForgotten = [this] {
        for (QComboBox* p : {lovea, lovek, lovem}) p->setCurrentIndex(-1);
    };
    session_.onDone = [this] {
        emit finished();
        hide();
    };
    connect(lovea, &QComboBox::activated, this, [this] { choose(0, lovea); });
    connect(lovek, &QComboBox::activated, this, [this] { choose(1, lovek); });
    connect(lovem, &QComboBox::activated, this, [this] { choose(2, lovem); });

    fillPickers();
    if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
}

void edit::fillPickers() {
    const auto& list = co::PickerList();
    QComboBox* pickers[] = {lovea, lovek, lovem};
    for (auto* p : pickers) p->addItem(QString());
    constexpr std::size_t kFirstLetter = 37;
    for (auto* p : pickers)
        for (std::size_t i = 1; i < kFirstLetter; ++i) p->addItem(QString::fromStdString(list[i]));
    for (std::size_t i = kFirstLetter; i < list.size(); ++i) {
        QCoreApplication::processEvents();
        for (auto* p : pickers) p->addItem(QString::fromStdString(list[i]));
    }
    for (auto* p : pickers) p->setCurrentIndex(-1);
}

edit::~edit() {
    session_.onForgotten = nullptr;
    session_.onDone = nullptr;
}

void edit::choose(int k, QComboBox* picker) { session_.choose(k, picker->currentText().toStdString()); }

void edit::Label1_Click() { session_.add(); }

void edit::setLinkUnderlined(bool on) {
    QFont f = pelmaran->font();
    if (f.underline() == on) return;
    f.setUnderline(on);
    pelmaran->setFont(f);
}

void edit::mouseMoveEvent(QMouseEvent* e) {
    // Only the window's bare body takes the underline away.
    setLinkUnderlined(false);
    QWidget::mouseMoveEvent(e);
}

bool edit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pelmaran) {
        if (event->type() == QEvent::MouseMove) {
            setLinkUnderlined(true);
            return true;  // not on to the window body, which would take the underline away
        }
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            QDesktopServices::openUrl(QUrl(web::kPelmaranHotkeyPage));
    }
    if (watched == Label1 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        Label1_Click();
    return QWidget::eventFilter(watched, event);
}
