#pragma once
// Every private window message (WM_APP + n) the Windows program uses, in one
// place so that no two share a number. Each is posted or sent to the
// program's own windows only.

#include <windows.h>

namespace win32::appmsg {

// Posted by the keyboard hook to a chord's window: the user's repeat of the
// chord it holds was taken. No parameters.
inline constexpr UINT kTakenRepeat = WM_APP + 1;
// Posted by a hotkey endpoint to its own window: the chord could not be taken
// back after the program's own keys, and is lost. No parameters.
inline constexpr UINT kChordLost = WM_APP + 2;
// Posted by the keyboard hook to a chord's window: the user pressed the chord
// with modifiers a playback had let go of, and the hook took the press for
// it. No parameters.
inline constexpr UINT kLetGoPress = WM_APP + 3;
// Posted by the keyboard hook's thread to its mailbox window on the program's
// thread: report lines wait there, for the log. No parameters.
inline constexpr UINT kHookReports = WM_APP + 4;

// Posted by the main window to itself when a slot's target field is clicked:
// the editor opens once the click is over. wParam: the slot's index.
inline constexpr UINT kOpenEditor = WM_APP + 10;
// Posted by the main window to itself when the editor has closed: the editor
// is ended and the main window shown. No parameters.
inline constexpr UINT kEditorClosed = WM_APP + 11;
// Posted by the main window to itself once it is up: settings that could
// not be read are reported. No parameters.
inline constexpr UINT kLoaded = WM_APP + 12;

// Sent by the shell to the main window for the notification-area icon.
// wParam: the icon's id; lParam: the mouse message (WM_LBUTTONUP, …).
inline constexpr UINT kTrayCallback = WM_APP + 20;

}  // namespace win32::appmsg
