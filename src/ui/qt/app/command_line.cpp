#include "ui/qt/app/command_line.h"

#include <cerrno>
#include <cstring>
#include <string_view>

#include "version.h"

namespace app {

namespace {

constexpr const char kUsage[] = "Usage: zorvane-change-hotkey [--version | --help]\n";

constexpr const char kHelp[] =
    "Usage: zorvane-change-hotkey [--version | --help]\n"
    "用法：zorvane-change-hotkey [--version | --help]\n"
    "Qt's own options (-display, -platform, -style …) are taken too.\n"
    "也接受 Qt 自己的选项（-display、-platform、-style 等）。\n"
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

// The options that QGuiApplication, QApplication and the X11 platform take
// out of argv themselves (Qt 6; "--name" as "-name"); a session manager
// starts the program again with -session <id>. Anything else is refused
// here, before the application object exists, so that a second start, which
// only asks the running copy to show its window and never opens the display,
// refuses a mistyped option as a first start does.
// clang-format off
constexpr std::string_view kQtOptionsWithValue[] = {
    "display", "geometry", "icon", "name", "platform", "platformpluginpath", "platformtheme", "plugin",
    "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "style", "stylesheet", "title", "visual"};
constexpr std::string_view kQtFlags[] = {"dograb", "nograb", "qdebug", "qdevel", "reverse", "testability", "widgetcount"};
// clang-format on
constexpr std::string_view kQtOptionsWithJoinedValue[] = {"qmljsdebugger", "style", "stylesheet"};

template <std::size_t N>
bool among(std::string_view name, const std::string_view (&names)[N]) {
    for (const std::string_view n : names)
        if (n == name) return true;
    return false;
}

// The status once the text is out: a full disk or a closed output is no success.
int written(std::FILE* out, std::FILE* err, const char* what) {
    if (std::fflush(out) == 0 && !std::ferror(out)) return 0;
    std::fprintf(err, "zorvane-change-hotkey: %s could not be written: %s\n", what, std::strerror(errno));
    return 1;
}

int refused(std::FILE* err, const char* what, const char* arg) {
    std::fprintf(err, "zorvane-change-hotkey: %s '%s'\n%s", what, arg, kUsage);
    return 2;
}

}  // namespace

std::optional<int> AnswerCommandLine(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--version") {
            std::fprintf(out, "zorvane-change-hotkey %s\n", ZORVANE_VERSION_TEXT);
            return written(out, err, "the version");
        }
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, out);
            return written(out, err, "the help");
        }
        if (arg.size() < 2 || arg[0] != '-') return refused(err, "unexpected argument", argv[i]);
        const std::string_view name = arg.substr(arg.starts_with("--") ? 2 : 1);
        if (const auto equals = name.find('='); equals != std::string_view::npos) {
            if (!among(name.substr(0, equals), kQtOptionsWithJoinedValue))
                return refused(err, "unknown option", argv[i]);
        } else if (among(name, kQtOptionsWithValue)) {
            if (++i == argc) return refused(err, "a value is missing after", argv[i - 1]);
        } else if (!among(name, kQtFlags)) {
            return refused(err, "unknown option", argv[i]);
        }
    }
    return std::nullopt;
}

}  // namespace app
