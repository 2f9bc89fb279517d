#include "playback/clsWaitableTimer.h"

#include <chrono>
#include <cmath>
#include <thread>

#include <QEventLoop>
#include <QTimer>

#include "playback/program_error.h"

namespace {

constexpr int kInvalidArgument = 5;
constexpr const char* kSource = "clsWaitableTimer";

void rejectInvalid(double ms) {
    if (std::isfinite(ms) && ms >= 0) return;
    throw ProgramError(kInvalidArgument, kSource,
                       std::string("[clsWaitableTimer.Wait]") + "Invalid procedure call or argument: " +
                           std::to_string(ms) + " is not a number of milliseconds");
}

}  // namespace

void clsWaitableTimer::Wait(double MilliSeconds) {
    rejectInvalid(MilliSeconds);
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::duration_cast<clock::duration>(
                                             std::chrono::duration<double, std::milli>(MilliSeconds));

    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(static_cast<int>(std::ceil(MilliSeconds)));
    loop.exec();

    // A timer may fire a fraction of a millisecond early, and a loop asked to
    // quit by the application returns at once: sleep out whatever is left.
    const auto left = deadline - clock::now();
    if (left > clock::duration::zero()) std::this_thread::sleep_for(left);
}
