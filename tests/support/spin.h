#pragma once
// Running the event loop in tests while waiting for something to happen.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

// Runs the event loop until `done` holds or the time is up; says whether it holds.
inline bool spinUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

// Runs the event loop for a while, so that deferred work happens.
inline void spin(int ms) {
    spinUntil([] { return false; }, ms);
}
