#pragma once
// The notification-area icon and its menu: the left button's release brings
// the main window back; the right button's release opens 显示, 关于 ▸
// 关于 Zorvane Change Hotkey, 退出, whose commands go to the main window.

#include <windows.h>
#include <shellapi.h>
#include <functional>
#include <optional>
#include <string>

#include "platform/win32/app_messages.h"

namespace win32app {

class Tray {
public:
    // The icon's notifications come to `owner` as this message.
    static constexpr UINT kCallbackMessage = win32::appmsg::kTrayCallback;
    enum Command : UINT { kShow = 1001, kAbout = 1002, kExit = 1003 };
    // The owner's timer for another try at adding the icon.
    static constexpr UINT_PTR kRetryTimer = 0x7472;

    // The wait after `failures` failed tries at adding the icon: at logon the
    // shell may not take icons yet. Half a second, doubling, 30 s at most.
    static UINT RetryDelayMs(int failures);

    Tray(HWND owner, HICON icon);
    ~Tray();
    Tray(const Tray&) = delete;
    Tray& operator=(const Tray&) = delete;

    // Adds the icon; when the shell refuses, tries again later (kRetryTimer)
    // until it takes it or the taskbar says it is there.
    bool add();
    void remove();
    // A balloon beside the icon, for what the user must hear of with no window
    // open. While the icon is not there the latest is kept, and shown once it is.
    void notify(const char* title, const char* text);
    bool added() const { return added_; }

    // A message to the owner that concerns the icon: its notifications, the
    // retry timer, and the taskbar's return after it was restarted (the icon
    // is added again). True when it was one.
    bool handle(UINT msg, WPARAM wParam, LPARAM lParam);

    HMENU menu() const { return menu_; }
    // The left button came up on the icon.
    std::function<void()> onShow;

private:
    void popup();
    NOTIFYICONDATAW data() const;
    void show(const std::string& title, const std::string& text);

    HWND owner_;
    HICON icon_;
    HMENU menu_;
    UINT taskbarCreated_;
    bool added_ = false;
    bool wanted_ = false;  // between add() and remove()
    int failures_ = 0;     // tries at adding that failed since the last success
    struct Notice {
        std::string title, text;
    };
    std::optional<Notice> pending_;
};

}  // namespace win32app
