// OutputReading: a reading as the outputs send it onward: named values in base units and a UTC time.
#pragma once

#include "station/weather_sample.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace nimbrel {

// One quantity. `integral` values (humidities) are sent without a decimal point.
struct OutputValue {
    std::string name; // "outdoor_temperature": the key in the state message and the last part of its topic
    double value = 0;
    bool integral = false;
};

struct OutputReading {
    std::time_t time = 0;
    // A history record just stored, rather than the live reading of a cycle.
    bool stored = false;
    // Only the quantities that the station gave; a sensor without a reading ("---") is left out.
    std::vector<OutputValue> values;
};

// What every published quantity is, in the order the messages list them.
struct OutputQuantity {
    const char* name;
    const char* title;       // the sensor's name in a home-automation system
    const char* unit;        // base unit
    const char* deviceClass; // Home Assistant's class, or "" for none
    const char* stateClass;
};
const std::vector<OutputQuantity>& outputQuantities();
// The quantity of that name, or nullptr.
const OutputQuantity* outputQuantity(const std::string& name);

// The values of a sample in base units (as normaliseSample leaves it, with its rain totals),
// taken at `time`, and the rain since local midnight when known. The wind direction's compass code
// becomes degrees (code x 22.5).
OutputReading outputReadingOf(const WeatherSample& normalised, std::time_t time, bool stored,
                              std::optional<double> rainSinceMidnightMm);

// The time in UTC by a strftime pattern: "%Y-%m-%dT%H:%M:%SZ" gives "2026-12-08T21:13:30Z".
std::string utcText(std::time_t time, const char* pattern);

} // namespace nimbrel
