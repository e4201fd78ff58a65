// StationClock: the program's "now" taken from the station when the station keeps its own time.
#pragma once

#include "station/clock.h"
#include "station/usb_library.h"

namespace nimbrel {

// The simulated station lives in a time of its own (it may run 300 times faster than the PC, or stand
// still). Records stamped by the PC's clock would then disagree with the station's intervals, so while
// the USB library tells the station's time, "now" is that time. Waits are always the base clock's.
class StationClock final : public Clock {
public:
    StationClock(const UsbLibrary& library, Clock& base) : library_(library), base_(base) {}

    TimePoint now() override {
        if (const auto seconds = library_.stationNow())
            return TimePoint(
                std::chrono::duration_cast<TimePoint::duration>(std::chrono::duration<double>(*seconds)));
        return base_.now();
    }
    void sleepFor(std::chrono::milliseconds duration) override { base_.sleepFor(duration); }

private:
    const UsbLibrary& library_;
    Clock& base_;
};

} // namespace nimbrel
