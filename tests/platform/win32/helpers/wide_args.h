#pragma once
// The helpers' command line, as the system gives it (UTF-16).
#include <windows.h>
#include <shellapi.h>
#include <string>
#include <vector>

inline std::vector<std::wstring> WideArgs() {
    int n = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &n);
    std::vector<std::wstring> args(argv, argv + n);
    LocalFree(argv);
    return args;
}
