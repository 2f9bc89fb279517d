#pragma once
// What the windows and messages say, for both front ends; the web pages they
// open are in web_pages.h.

#include <string>

#include "core/diag/diag.h"
#include "core/view/web_pages.h"

namespace texts {

inline constexpr const char* kProductName = "Zorvane Change Hotkey";  // the main window's title strip

// The main window, frmSet.
inline constexpr const char* kMainWindowTitle = "设置";
// Label3(0), Label4, Label3(1).
inline constexpr const char* kHeadings[3] = {"原来的热键", "修改后热键", "启用"};
inline constexpr const char* kCheck = "启用热键";  // each slot's box

// The action editor, edit.
inline constexpr const char* kEditorTitle = "编辑";
inline constexpr const char* kLabel1 = "添加";
inline std::string LinkText() { return std::string("Learn More Hotkey:Search \"hotkey\" on ") + web::kPelmaranSite; }

// The notification-area icon's menu: 显示, 关于 ▸ 关于 Zorvane Change Hotkey, 退出.
inline constexpr const char* kTrayShow = "显示";
inline constexpr const char* kTrayAbout = "关于";
inline constexpr const char* kTrayAboutProgram = "关于 Zorvane Change Hotkey";
inline constexpr const char* kTrayExit = "退出";

// The hotkey control's messages.
inline constexpr const char* kErrorTitle = "error";
inline constexpr const char* kNotSetMessage = "Not set hotkey";
inline constexpr const char* kTakenMessage = "Hotkey already exists, please change a hotkey.";
inline constexpr const char* kNoHotkeysMessage = "Global hotkeys are not available here.";
// A Wayland desktop with neither a route of its own nor Xwayland; the reason follows.
inline constexpr const char* kNoWaylandRouteMessage =
    "此 Wayland 桌面不提供全局热键：没有 X11 显示（XWayland），也没有 sway 的接口。请开启键盘服务（sudo systemctl "
    "enable --now zorvane-keyboard-service）后重新启动本程序，或改用 X11 会话登录、使用 sway 桌面。";

// The settings file's messages; the file's path and the reason follow on lines of their own.
inline constexpr const char* kUnreadableTitle = "设置无法读取";
inline constexpr const char* kUnreadableText = "设置无法读取，更改不会保存。";
inline constexpr const char* kUnsavedTitle = "设置无法保存";
inline constexpr const char* kUnsavedText = "设置无法保存。";

// Notices from the notification area, for what the user must act on with no
// window open; each cause at most once a minute. The log beside set.ini
// (diag::kLogFileName) has the details.
inline constexpr const char* kNoticeTitle = "Zorvane Change Hotkey";
inline constexpr const char* NoticeText(diag::Cause cause) {
    switch (cause) {
        case diag::Cause::TargetRefused: return "目标窗口以管理员身份运行，不接受本程序发送的按键，热键没有执行。";
        case diag::Cause::ChordLost: return "键盘布局已更改，热键所用的键不在新布局中，该热键已关闭。";
        case diag::Cause::ChordTaken: return "此热键已被另一个程序占用，该热键已关闭。请换一个热键后重新勾选。";
        case diag::Cause::SaveFailed: return "设置无法保存，原因已写入 set.ini 旁的 zorvane-change-hotkey.log。";
        case diag::Cause::X11WindowsOnly:
            return "在此 Wayland 桌面上，热键只在 X11 "
                   "程序的窗口位于前台时有效。要让热键在所有窗口中有效，请开启键盘服务"
                   "（sudo systemctl enable --now zorvane-keyboard-service）后重新启动本程序，或改用 X11 会话登录、"
                   "使用 sway 桌面。";
        case diag::Cause::ServiceGone: return "键盘服务已停止，热键暂时无效。请重新启动本程序。";
    }
    return "";
}

}  // namespace texts
