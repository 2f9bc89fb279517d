#pragma once
// The web pages the program opens in the user's browser.
namespace web {

inline constexpr const char* kProductPage = "https://www.zorvane.com/software/zorvane-change-hotkey/index.html?v=1.0";
inline constexpr const char* kPelmaranSite = "pelmaran.com";
inline constexpr const char* kPelmaranHotkeyPage = "https://www.pelmaran.com/hotkey.html";

}  // namespace web
