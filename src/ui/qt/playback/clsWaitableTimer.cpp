#include "ui/playback/clsWaitableTimer.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <thread>

#include <QEventLoop>
#include <QTimer>

#include "core/playback/wait_length.h"

void clsWaitableTimer::Wait(double MilliSeconds) {
    const double ms = keyfunc::CheckedWaitMs(MilliSeconds);
    using clock = std::chrono::steady_clock;
    const auto deadline =
        clock::now() + std::chrono::duration_cast<clock::duration>(std::chrono::duration<double, std::milli>(ms));

    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    bool fired = false;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        fired = true;
        loop.quit();
    });
    // A QTimer takes an int of milliseconds (under 25 days): a longer hold
    // runs one timer after another.
    double left = ms;
    do {
        fired = false;
        timer.start(static_cast<int>(std::min(std::ceil(left), static_cast<double>(INT_MAX))));
        loop.exec();
        left = std::chrono::duration<double, std::milli>(deadline - clock::now()).count();
    } while (fired && left >= 1);  // not fired: the application asked the loop to quit

    // A timer may fire a fraction of a millisecond early, and a loop asked to
    // quit by the application returns at once: sleep out whatever is left.
    const auto rest = deadline - clock::now();
    if (rest > clock::duration::zero()) std::this_thread::sleep_for(rest);
}
