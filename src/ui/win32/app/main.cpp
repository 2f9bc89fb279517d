// Zorvane Change Hotkey for Windows: the main window, its tray icon and the
// editor on the core's slot table, with the Win32 backend's hotkeys and keys.

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "core/diag/diag.h"
#include "platform/services.h"
#include "ui/win32/app/frmSet.h"
#include "ui/win32/app/single_instance.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    win32app::SingleInstance instance;
    if (!instance.first()) return win32app::SingleInstance::askFirstCopyToShow() ? 0 : 1;

    // ShellExecuteW (the web pages) may hand its work to shell extensions,
    // which need COM on the calling thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    const platform::OwnedServices backend = platform::CreateServices();

    int exitCode = 0;
    {
        const app::SettingsFile settings = app::SettingsFile::ForProgram();
        // The program has no standard error: the log is where its reasons go.
        diag::LogBeside(settings.path());
        win32app::frmSet window(backend.services(), settings);
        window.onExit = [] { PostQuitMessage(0); };
        window.show();
        MSG msg;
        BOOL got;
        while ((got = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
            if (window.isDialogMessage(&msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        exitCode = got < 0 ? 1 : static_cast<int>(msg.wParam);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return exitCode;
}
