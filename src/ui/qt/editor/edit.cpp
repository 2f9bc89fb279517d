#include "ui/qt/editor/edit.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QScreen>
#include <QUrl>

#include "core/editor/key_names.h"
#include "core/view/texts.h"
#include "core/view/web_pages.h"
#include "ui/qt/shell/look.h"
#include "ui/qt/shell/pictures.h"

namespace layout = view::editor_window;

edit::edit(app::EditorSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::Tool), session_(session) {
    setObjectName("edit");
    setWindowTitle(QString::fromUtf8(texts::kEditorTitle));
    setWindowIcon(pictures::appIcon());
    setFixedSize(layout::kWidth, layout::kHeight);
    setFont(toFont(view::kBodyFont));
    setMouseTracking(true);

    auto* pmenu = placed<TitleStrip>(this, layout::kStrip);
    pmenu->setObjectName("pmenu");
    // The title has no handler of its own: only the bare strip moves the editor.
    auto* title = placed<InertLabel>(pmenu, layout::kTitle, QString::fromUtf8(texts::kEditorTitle));
    title->setObjectName("title");
    title->setFont(toFont(view::kTitleFont));
    title->setStyleSheet(pictures::textOnGreen());
    auto* logo = placed<QLabel>(this, layout::kLogo);
    logo->setObjectName("logo");
    logo->setPixmap(pictures::appIconPixmap(layout::kLogo.w, devicePixelRatioF()));
    Image3 = placed<ClickableImage>(pmenu, layout::kImage3);
    Image3->setObjectName("Image3");
    Image3->setPixmap(pictures::closePixmap(devicePixelRatioF()));

    lovea = placed<QComboBox>(this, layout::Picker(0));
    lovek = placed<QComboBox>(this, layout::Picker(1));
    lovem = placed<QComboBox>(this, layout::Picker(2));
    lovea->setObjectName("lovea");
    lovek->setObjectName("lovek");
    lovem->setObjectName("lovem");

    Label1 = placed<QLabel>(this, layout::kLabel1, QString::fromUtf8(texts::kLabel1));
    Label1->setObjectName("Label1");
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFont(toFont(layout::kAddFont));
    Label1->setStyleSheet(pictures::textOnGreen(true));
    Label1->installEventFilter(this);

    pelmaran = placed<QLabel>(this, layout::kLink, toText(texts::LinkText()));
    pelmaran->setObjectName("pelmaran");
    pelmaran->setFont(toFont(layout::kLinkFont));
    pelmaran->setMouseTracking(true);
    pelmaran->installEventFilter(this);

    auto* frame = new FrameShape(this, toColor(view::kGreen));
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
        if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            QDesktopServices::openUrl(QUrl(web::kPelmaranHotkeyPage));
    }
    if (watched == Label1 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        Label1_Click();
    return QWidget::eventFilter(watched, event);
}
