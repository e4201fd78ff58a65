#include "station/station_busy.h"

namespace nimbrel {

bool StationBusyLock::acquire(Clock& clock) {
    if (tryAcquire()) return true;
    ++busy_.waiting_;
    for (int wait = 0; wait < kWaits && !owns_; ++wait) {
        clock.sleepFor(kWait);
        tryAcquire();
    }
    --busy_.waiting_;
    return owns_;
}

bool StationBusyLock::yieldToWaiting(Clock& clock, std::chrono::milliseconds patience,
                                     const std::atomic<bool>* stop) {
    if (!owns_ || !busy_.othersWaiting()) return owns_;
    const auto stopped = [stop] { return stop && stop->load(); };
    release();
    // The waiter looks again at its own pace, and gives up after its three looks at the latest: keep the
    // flag free until it has it or has gone.
    while (!busy_.isBusy() && busy_.othersWaiting() && !stopped()) clock.sleepFor(kYieldStep);
    const Clock::TimePoint deadline = clock.now() + patience;
    while (!tryAcquire() && !stopped() && clock.now() < deadline) clock.sleepFor(kYieldStep);
    if (stopped()) release();
    return owns_;
}

bool StationBusyLock::tryAcquire() {
    if (!owns_) owns_ = busy_.tryTake();
    return owns_;
}

void StationBusyLock::release() {
    if (owns_) busy_.release();
    owns_ = false;
}

} // namespace nimbrel
