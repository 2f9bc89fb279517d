#pragma once
// Where the settings file can live, as the system sees it: the program's own
// folder, the user's configuration folder, and whether a folder takes new
// files. Paths are UTF-8 on every system. One implementation per system:
// folders_posix.cpp, folders_win32.cpp.

#include <string>

#include "core/diag/result.h"

namespace folders {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
inline constexpr bool isSeparator(char c) { return c == '\\' || c == '/'; }
// A settings file beside a program in Program Files (or on a read-only
// share) could never be saved: the user's folder takes over.
inline constexpr bool kLeaveUnwritableFolder = true;
#else
inline constexpr char kSeparator = '/';
inline constexpr bool isSeparator(char c) { return c == '/'; }
inline constexpr bool kLeaveUnwritableFolder = false;
#endif

// The folder of the running executable; the current folder when the system
// will not say.
std::string programFolder();

// The folder that holds per-user settings folders: $XDG_CONFIG_HOME (by
// default ~/.config) on Linux, %APPDATA% on Windows.
std::string userConfigFolder();

bool exists(const std::string& path);

// Whether a new file can be created in the folder.
bool isWritableFolder(const std::string& folder);

// Whether the folder belongs to the system's package manager (Linux: under
// /usr), where no settings may be written even by a user who could.
bool isPackagedFolder(const std::string& folder);

// Creates the folder and any missing parents; a failure says why, for the user.
Result createFolders(const std::string& folder);

}  // namespace folders
