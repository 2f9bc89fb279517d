#pragma once
// The helpers' command line, as the system gives it (UTF-16).
#include <string>
#include <vector>
#include <windows.h>
#include <shellapi.h>

inline std::vector<std::wstring> WideArgs() {
    int n = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &n);
    std::vector<std::wstring> args(argv, argv + n);
    LocalFree(argv);
    return args;
}
