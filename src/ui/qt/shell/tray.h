#pragma once
// The notification-area icon and its menu: the left button brings the main
// window back, the right button opens "显示", "关于" and "退出".

#include <QObject>
#include <QSystemTrayIcon>

class QMenu;
class QWidget;

class Tray : public QObject {
    Q_OBJECT
public:
    explicit Tray(QWidget* mainWindow);
    ~Tray() override;

    // Whether the desktop has a notification area to put the icon in. On X11
    // one that comes later is joined then; elsewhere (a Wayland window) only
    // one that is there now is.
    static bool available();

    void add();
    void remove();
    // A notice beside the icon (the desktop's notification), for what the
    // user must hear of with no window open.
    void notify(const char* title, const char* text);

    QSystemTrayIcon* icon() const { return icon_; }
    QMenu* menu() const { return cd_; }
    // What a click on the icon does.
    void decode(QSystemTrayIcon::ActivationReason reason);

signals:
    void showRequested();
    void exitRequested();

private:
    QWidget* main_;
    QSystemTrayIcon* icon_;
    QMenu* cd_;  // the pop-up: 显示, 关于 ▸ 关于 Zorvane Change Hotkey, 退出
};
