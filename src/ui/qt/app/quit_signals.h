#pragma once
#include <functional>

// Runs `onQuit` in the event loop when the program is asked to end from
// outside (SIGTERM, SIGINT, SIGHUP), so that nothing typed is lost.
void InstallQuitSignalHandler(std::function<void()> onQuit);
