#pragma once
// Driving the built program on a virtual desktop as a person would: xdotool
// for the mouse and keyboard, import for screenshots.

#include <QString>
#include <QStringList>
#include <optional>

namespace desktop {

// Runs a command and gives its standard output, trimmed; nothing when it fails.
std::optional<QString> run(const QString& program, const QStringList& args, int timeoutMs = 10000);

// The first visible window with exactly this title, waiting up to timeoutMs.
std::optional<QString> waitForWindow(const QString& title, int timeoutMs = 5000);
bool isVisible(const QString& title);

void clickAt(const QString& window, int x, int y, int button = 1);
void keys(const QStringList& keys);
void type(const QString& text);
void screenshot(const QString& path);

// Waits until `done` holds, checking every 20 ms.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000);

}  // namespace desktop
