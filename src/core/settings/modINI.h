#pragma once
// The program's settings file, set.ini: where it lives, and single-value
// access to it. Every read and write goes to the file itself; nothing is
// cached, so a read always sees the latest write.

#include <string>
#include <vector>

#include "core/diag/result.h"
#include "core/settings/profile_file.h"

namespace modINI {

// Full path of the settings file; empty until SetINIFile first runs.
extern std::string INIPath;

// folder and fileName joined with exactly one separator (a root such as "/"
// or "D:\" already ends in one).
std::string JoinPath(const std::string& folder, const std::string& fileName);

// The folder of the running executable.
std::string ProgramFolder();

// The file in the program's folder when that folder takes writes (portable
// use); otherwise the user's configuration folder
// ($XDG_CONFIG_HOME/zorvane-change-hotkey, by default ~/.config/..., or
// %APPDATA%\zorvane-change-hotkey on Windows), since an installed program's
// folder takes none. On Linux a file already beside the program is used
// wherever it is.
std::string ChooseSettingsPath(const std::string& programFolder, const std::string& fileName);

// The settings file for `fileName` beside the program in `programFolder`, as
// ChooseSettingsPath chooses it. A file beside the program that is passed
// over for the user's folder first becomes the user's copy there, unless the
// user has one already, so nothing the user had is lost; when that copy
// cannot be made the file beside the program is used as it is (its saves
// then fail, and say so).
std::string SettingsPathFor(const std::string& programFolder, const std::string& fileName);

// SettingsPathFor the program's own folder.
void SetINIFile(const std::string& fileName);

// Why the settings file cannot be read and will not be written, for the
// program to say once at start; empty when it can be read or does not exist.
std::string UnreadableReason();

std::string ReadINI(const std::string& section, const std::string& key, const std::string& defaultValue);
// The same on a given settings file (the program's own is chosen once, at start).
std::string ReadINI(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& defaultValue);

// Reports a failed write instead of losing the value silently.
Result WriteINI(const std::string& section, const std::string& key, const std::string& value);

// Several values, the file written once: what WriteINI for each in turn
// would leave, and the first failure among them.
Result WriteINIValues(const std::vector<profile::Entry>& entries);
// The same on a given settings file; its folder is made when it is missing.
Result WriteINI(const std::string& file, const std::string& section, const std::string& key, const std::string& value);
Result WriteINIValues(const std::string& file, const std::vector<profile::Entry>& entries);

}  // namespace modINI
