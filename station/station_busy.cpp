#include "station/station_busy.h"

namespace nimbrel {

bool StationBusyLock::acquire(Clock& clock) {
    if (tryAcquire()) return true;
    for (int wait = 0; wait < kWaits; ++wait) {
        clock.sleepFor(kWait);
        if (tryAcquire()) return true;
    }
    return false;
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
