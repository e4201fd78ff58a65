// stationBusy: the one flag that keeps the windows and the acquisition thread off the station at once.
//
// Every caller that talks to the station (every window, the acquisition thread, the tools) holds a
// StationBusyLock around its whole sequence of operations:
//
//     StationBusyLock lock(access.busy());
//     if (!lock.acquire(clock)) { show "Can't communicate with device!"; return; }
//     ... reads and writes through StationAccess ...
//     // released when lock goes out of scope (or by lock.release())
//
// acquire() follows the station's protocol: if the flag is set, wait 1 s and look again, at most
// three times; still set: give up (false). The waits go through the clock, so tests never sleep.
// tryAcquire() looks once and never waits (the acquisition thread skips a cycle instead).
// The connection poll does not take the flag.
#pragma once

#include "station/clock.h"

#include <atomic>

namespace nimbrel {

// The flag itself: one atomic test-and-set, so two callers can never both take it.
class StationBusy {
public:
    bool tryTake() { return !flag_.test_and_set(std::memory_order_acquire); }
    void release() { flag_.clear(std::memory_order_release); }
    bool isBusy() const { return flag_.test(std::memory_order_acquire); }

private:
    std::atomic_flag flag_;
};

class StationBusyLock {
public:
    static constexpr int kWaits = 3;
    static constexpr std::chrono::milliseconds kWait{1000};

    explicit StationBusyLock(StationBusy& busy) : busy_(busy) {}
    ~StationBusyLock() { release(); }
    StationBusyLock(const StationBusyLock&) = delete;
    StationBusyLock& operator=(const StationBusyLock&) = delete;

    // Takes the flag, waiting 1 s up to three times while it is set; false when it stayed set.
    bool acquire(Clock& clock);
    // Takes the flag only if it is free now.
    bool tryAcquire();
    // Gives the flag back if this lock holds it.
    void release();
    bool owns() const { return owns_; }

private:
    StationBusy& busy_;
    bool owns_ = false;
};

} // namespace nimbrel
