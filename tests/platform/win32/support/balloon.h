#pragma once
#include <optional>
#include <string>

namespace wintest {

// The text of the notification balloon shown now, whichever process shows it
// (Wine draws it as a balloon tooltip beside the tray icon); nothing when
// none is shown.
std::optional<std::wstring> BalloonText();

}  // namespace wintest
