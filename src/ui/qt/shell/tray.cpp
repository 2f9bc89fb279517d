#include "ui/qt/shell/tray.h"

#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenu>
#include <QUrl>
#include <QWidget>

#include "core/view/texts.h"
#include "core/view/web_pages.h"
#include "ui/qt/shell/pictures.h"

Tray::Tray(QWidget* mainWindow)
    : QObject(mainWindow), main_(mainWindow), icon_(new QSystemTrayIcon(this)), cd_(new QMenu) {
    icon_->setIcon(pictures::appIcon());
    icon_->setToolTip(QString());  // the icon shows no hover text

    cd_->setObjectName("cd");
    QAction* show = cd_->addAction(QString::fromUtf8(texts::kTrayShow));
    show->setObjectName("Show");
    QMenu* abt = cd_->addMenu(QString::fromUtf8(texts::kTrayAbout));
    abt->setObjectName("abt");
    QAction* ach = abt->addAction(QString::fromUtf8(texts::kTrayAboutProgram));
    ach->setObjectName("ach");
    QAction* exit = cd_->addAction(QString::fromUtf8(texts::kTrayExit));
    exit->setObjectName("exit");

    connect(show, &QAction::triggered, this, &Tray::showRequested);
    connect(ach, &QAction::triggered, this, [] { QDesktopServices::openUrl(QUrl(web::kProductPage)); });
    connect(exit, &QAction::triggered, this, &Tray::exitRequested);
    connect(icon_, &QSystemTrayIcon::activated, this, &Tray::decode);
}

Tray::~Tray() { delete cd_; }

bool Tray::available() { return QGuiApplication::platformName() == "xcb" || QSystemTrayIcon::isSystemTrayAvailable(); }

void Tray::add() { icon_->show(); }

void Tray::notify(const char* title, const char* text) {
    icon_->showMessage(QString::fromUtf8(title), QString::fromUtf8(text), QSystemTrayIcon::Information, 10000);
}
void Tray::remove() { icon_->hide(); }

void Tray::decode(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
        case QSystemTrayIcon::DoubleClick: emit showRequested(); break;
        case QSystemTrayIcon::Context:
            if (main_->isVisible()) {
                main_->raise();
                main_->activateWindow();
            }
            cd_->popup(QCursor::pos());
            break;
        default: break;
    }
}
