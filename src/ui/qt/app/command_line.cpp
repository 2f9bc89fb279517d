#include "ui/qt/app/command_line.h"

#include <cstring>

#include "version.h"

namespace app {

namespace {

constexpr const char kHelp[] =
    "Usage: zorvane-change-hotkey [--version | --help]\n"
    "用法：zorvane-change-hotkey [--version | --help]\n"
    "\n"
    "Reach an application's shortcut through a chord of your own: each of ten\n"
    "slots pairs a trigger, pressed in any application, with the one to three\n"
    "keys it types. The program lives in the notification area; quit it from\n"
    "the icon's menu (退出).\n"
    "用自己选的热键触发程序的快捷键。程序在通知区域运行，从图标菜单的“退出”结束。\n"
    "\n"
    "Desktops: an X11 session and sway get triggers in every window. GNOME and\n"
    "KDE on Wayland get them only while an X11 (Xwayland) window is in front.\n"
    "A Wayland desktop with neither Xwayland nor sway's IPC gets none.\n"
    "桌面：X11 会话和 sway 中热键在所有窗口有效；Wayland 下的 GNOME 和 KDE 只在\n"
    "X11（XWayland）窗口位于前台时有效。\n"
    "\n"
    "Settings: set.ini beside the program when that folder can take it (and the\n"
    "program was not installed by a package), otherwise\n"
    "$XDG_CONFIG_HOME/zorvane-change-hotkey/set.ini (~/.config by default).\n";

}  // namespace

std::optional<int> AnswerCommandLine(int argc, const char* const* argv, std::FILE* out) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fprintf(out, "zorvane-change-hotkey %s\n", ZORVANE_VERSION_TEXT);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, out);
            return 0;
        }
    }
    return std::nullopt;
}

}  // namespace app
