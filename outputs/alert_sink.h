// Alert and AlertSink: a condition the user should hear of while away from the window (a station
// alarm, a station that stopped answering, no new reading, a failed save), and a place it goes to
// (the desktop, the MQTT broker, a command of the user's).
#pragma once

#include <ctime>
#include <string>

namespace nimbrel {

struct Alert {
    // Stable English id: "outdoor_temperature_high", "station_problem", "no_new_reading", "save_failed".
    std::string id;
    bool on = false; // the episode began (true) or ended: back to normal
    // The reading and the alarm's threshold as the window shows them, in the user's unit; "" where the
    // alert has none (a station that does not answer).
    std::string value;
    std::string threshold;
    std::string unit; // "°C", "hPa", "%"; "" for none
    std::time_t time = 0;
    // In the user's language: the alert's name ("Outdoor Temperature High") and what to say of it
    // ("31.2 °C, above the threshold of 30.0 °C"; "Back to normal: 28.1 °C").
    std::string title;
    std::string message;
    // The state as first known at start rather than a change: only a place that keeps a state (a
    // retained MQTT topic) has use for it; the desktop and the command leave it be.
    bool initial = false;
};

class AlertSink {
public:
    virtual ~AlertSink() = default;
    // Called from a thread of the acquisition session's, in the order the alerts began and ended.
    // Returns at once: anything slow happens on the sink's own thread.
    virtual void alert(const Alert& alert) = 0;
};

} // namespace nimbrel
