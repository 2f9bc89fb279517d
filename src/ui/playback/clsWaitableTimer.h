#pragma once

// A wait that keeps the program's event loop running: windows repaint, clicks
// are answered and hotkeys fire while a playback holds its keys. Each call
// has its own timer, so a wait nested inside another never cuts the outer one
// short, and no wait ends before its time. Each front end implements it for
// its own event loop (ui/qt/playback, ui/win32/playback).
class clsWaitableTimer {
public:
    // Throws ProgramError, its description starting with "[clsWaitableTimer.Wait]",
    // when MilliSeconds is not a finite, non-negative number.
    void Wait(double MilliSeconds);
};
