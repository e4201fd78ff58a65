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
//
// A caller that waits in acquire() is counted, so the one long holder, a download of the whole history
// ring, can let it have the station between two of its reads (yieldToWaiting) and take it back after:
// a window opened during a first download does not time out behind it.
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
    // Whether a caller waits in acquire() for the flag now.
    bool othersWaiting() const { return waiting_.load() > 0; }

private:
    friend class StationBusyLock;
    std::atomic_flag flag_;
    std::atomic<int> waiting_{0};
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
    // While this lock holds the flag and another caller waits for it: gives it up until that caller
    // has taken it (or stopped waiting), then takes it back as soon as it is free again. False when
    // `stop` was set, or the flag stayed with the other caller past `patience`, before it came back:
    // the lock then does not hold it. True at once when nobody waits.
    bool yieldToWaiting(Clock& clock, std::chrono::milliseconds patience, const std::atomic<bool>* stop);
    // The step of the waits in yieldToWaiting.
    static constexpr std::chrono::milliseconds kYieldStep{10};
    bool owns() const { return owns_; }

private:
    StationBusy& busy_;
    bool owns_ = false;
};

} // namespace nimbrel
