#pragma once
// The notification-area icon and its menu: the left button's release brings
// the main window back; the right button's release opens 显示, 关于 ▸
// 关于 Zorvane Change Hotkey, 退出, whose commands go to the main window.

#include <windows.h>
#include <shellapi.h>
#include <functional>

#include "platform/win32/app_messages.h"

namespace win32app {

class Tray {
public:
    // The icon's notifications come to `owner` as this message.
    static constexpr UINT kCallbackMessage = win32::appmsg::kTrayCallback;
    enum Command : UINT { kShow = 1001, kAbout = 1002, kExit = 1003 };

    Tray(HWND owner, HICON icon);
    ~Tray();
    Tray(const Tray&) = delete;
    Tray& operator=(const Tray&) = delete;

    bool add();
    void remove();
    // A balloon beside the icon, for what the user must hear of with no window open.
    void notify(const char* title, const char* text);
    bool added() const { return added_; }

    // A message to the owner that concerns the icon: its notifications, and
    // the taskbar's return after it was restarted (the icon is added again).
    // True when it was one.
    bool handle(UINT msg, LPARAM lParam);

    HMENU menu() const { return menu_; }
    // The left button came up on the icon.
    std::function<void()> onShow;

private:
    void popup();
    NOTIFYICONDATAW data() const;

    HWND owner_;
    HICON icon_;
    HMENU menu_;
    UINT taskbarCreated_;
    bool added_ = false;
    bool wanted_ = false;  // between add() and remove()
};

}  // namespace win32app
