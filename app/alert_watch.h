// AlertWatch: when an alert begins and when it ends, for the user away from the window.
//
// The alerts: each alarm lamp of the current-conditions view (lit by the lamps' own rule), the station
// that stopped answering (the link's "station problem"), no new reading for a set time (measured in
// real time, whatever the station's clock says; held back while the station problem is on, so one
// cause gives one alert) and a failed save. Each begins once per episode and ends once, and every
// change goes to each sink in order.
#pragma once

#include "app/language_table.h"
#include "outputs/alert_sink.h"

#include <chrono>
#include <ctime>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace nimbrel {

struct AlarmThresholds;
struct StationSettings;
class WeatherSample;

// What an MQTT binary sensor needs to know of an alert before its first change.
struct AlertKind {
    std::string id;          // "outdoor_temperature_high"
    std::string title;       // "Outdoor Temperature High"
    std::string deviceClass; // Home Assistant's binary sensor class: "heat", "cold", "moisture", "problem"
};
// Every alert but the station problem (which has its own sensor already), in a fixed order.
std::vector<AlertKind> alertKinds();

inline constexpr const char* kStationProblemAlert = "station_problem";
inline constexpr const char* kNoNewReadingAlert = "no_new_reading";
inline constexpr const char* kSaveFailedAlert = "save_failed";

class AlertWatch {
public:
    using Steady = std::chrono::steady_clock::time_point;
    static constexpr std::chrono::minutes kDefaultStale{10};

    // `staleAfter`: how long without a new reading before the user hears of it.
    AlertWatch(const LanguageTable& texts, std::chrono::minutes staleAfter, std::vector<AlertSink*> sinks);

    // A reading as the window shows it (the user's units) with the alarm settings that light its lamps;
    // `arrived` is when it came, `now` the time it is said at.
    void reading(const AlarmThresholds& alarms, const StationSettings& settings, const WeatherSample& shown,
                 Steady arrived, std::time_t now);
    void stationProblem(bool on, std::time_t now);
    void saveOutcome(bool saved, std::time_t now);
    // Looked at now and then (each second): raises "no new reading" once it is due.
    void tick(Steady steadyNow, std::time_t now);

private:
    // Says a change of `id` to every sink; nothing when it is no change. The first word on an alert that
    // is off is said as its initial state.
    void set(Alert alert);

    const LanguageTable& texts_;
    std::chrono::minutes staleAfter_;
    std::vector<AlertSink*> sinks_;
    std::mutex mutex_;
    std::map<std::string, bool> states_; // every alert said so far, with its state
    std::optional<Steady> lastReading_;
    std::optional<Steady> watchedSince_; // the first tick
    bool problem_ = false;
};

} // namespace nimbrel
