// OutputSink: how the acquisition thread hands readings to the outputs (MQTT, weather-network upload).
#pragma once

#include "station/weather_sample.h"

#include <ctime>
#include <optional>

namespace nimbrel {

// Called from the acquisition thread, so every call returns at once: the network work happens on the
// outputs' own thread. The samples are in base units (as normaliseSample leaves them) and are only
// valid during the call.
class OutputSink {
public:
    virtual ~OutputSink() = default;
    // The current reading of a cycle, with its rain totals, read at `time`; the rain since local
    // midnight when the station has a rain counter.
    virtual void newReading(const WeatherSample& reading, std::time_t time,
                            std::optional<double> rainSinceMidnightMm) = 0;
    // The records a cycle has just stored in the history file, newest first, with their save times.
    virtual void newRecords(const SampleList& records) = 0;
    // The station problem began (true: the station stopped answering, or was unplugged) or ended.
    // Said once per change.
    virtual void stationProblem(bool /*on*/) {}
};

} // namespace nimbrel
