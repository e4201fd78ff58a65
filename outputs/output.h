// Output: one destination of readings (an MQTT broker, a weather network), driven by the OutputQueue.
#pragma once

#include "outputs/alert_sink.h"
#include "outputs/output_reading.h"

#include <chrono>
#include <optional>

#include <string>

namespace nimbrel {

// What a destination answered to one sending.
struct OutputAnswer {
    bool ok = false;
    std::string text; // "weather.example answered success"; never holds a password
};

// Every call comes from the outputs' thread. A call may take a while on a slow network, but never
// longer than its own timeout: the queue keeps growing (and drops its oldest) meanwhile.
class Output {
public:
    virtual ~Output() = default;
    // Its name in status texts ("MQTT").
    virtual std::string name() const = 0;
    // Before the first reading: sets up the connection (which may complete later).
    virtual void start() = 0;
    virtual void publish(const OutputReading& reading) = 0;
    // The station stopped answering (true) or answers again (false); an output that has no use for it
    // leaves it be.
    virtual void stationProblem(bool /*on*/) {}
    // An alert began or ended; an output that has no place for it leaves it be.
    virtual void alert(const Alert& /*alert*/) {}
    // Work of its own between readings, a piece at a time: the stored records it has not sent yet. Says
    // when it wants to be called again; nothing: once more records are stored.
    virtual std::optional<std::chrono::milliseconds> catchUp() { return std::nullopt; }
    // From another thread, before stop(): a publish under way gives up soon.
    virtual void interrupt() {}
    // After the last reading; returns promptly.
    virtual void stop() = 0;
};

} // namespace nimbrel
