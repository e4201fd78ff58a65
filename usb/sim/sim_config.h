// SimConfig: the simulated station's settings, from environment variables, a file beside it, or a test.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nimbrel::sim {

// The latest simulated time a station may reach (2100-01-01): it lives every record up to its time, and
// much further would keep it busy for ever.
constexpr double kLatestSimTime = 4102444800.0;

struct SimConfig {
    std::uint64_t seed = 1;
    double start = -1;       // simulated seconds since the epoch when the station is made; negative: "now"
    double speed = 1;        // simulated seconds per real second; 0 stops the clock
    double ackFaults = 0;    // rate of refused acknowledgements
    double silentFaults = 0; // rate of answers that never (fully) come
    double unplugFaults = 0; // rate of unplugging at a command frame
    int vid = 0x0713;
    int pid = 0x0818;
    bool denied = false;     // the station is attached but this user may not open it (no udev rule yet)
    std::string stateFile;   // where the station is kept between runs; empty: it is not kept
    int interval = 5;        // the logging interval in minutes (1-240), the fixed block's historyCircle
    double sensorPhase = -1; // seconds from the start to the first sensor message; negative: the seed's own
    double logPhase = -1;    // seconds from the start to the first logging moment (less than one interval);
                             // negative: the seed's own
    double drift = 0;        // seconds a day the station's clock runs fast (positive) or slow
    // The station's own troubles, at speed 1 only: a command frame that comes within lockupMargin seconds
    // of a sensor message or a logging moment hangs it (with chance lockupChance, from lockupAfter
    // seconds after its start), and a read that spans a sensor message mixes old bytes with new ones.
    bool hazards = false;
    double lockupMargin = 1.5;
    double lockupChance = 1;
    double lockupAfter = 0;
    std::string statsFile;   // where every program on the station adds up what it met; empty: nowhere
    std::string controlFile; // lines "lockup" and "power" found there are acted on at the next frame
};

// Sensor messages come every kSensorPeriod simulated seconds; a station's clock is at most kMostDrift
// seconds a day off.
constexpr double kSensorPeriod = 48;
constexpr double kMostDrift = 864;

// Applies one "key=value" setting (keys: seed, start, speed, ack_faults, silent_faults, unplug_faults, vid,
// pid, denied, state, interval, sensor_phase, log_phase, drift, hazards, lockup_margin, lockup_chance,
// lockup_after, stats, control). Returns false for an unknown key or a value
// that does not read; the setting then stays as it was.
bool applySetting(SimConfig& config, std::string_view key, std::string_view value);

// Applies every "key=value" of a text: words separated by blanks or lines, spaces around '=' allowed,
// '#' or ';' start a comment, "[section]" lines are ignored.
void applySettingsText(SimConfig& config, std::string_view text);

// Applies NIMBREL_SIM_SEED, NIMBREL_SIM_START, ... from the environment.
void applyEnvironment(SimConfig& config);

// Applies the file at path when it exists; returns whether it was read.
bool applySettingsFile(SimConfig& config, const std::string& path);

// The start time "now": the real clock in whole seconds.
double realNowSeconds();

// The real clock that a kept station is stamped with when saved and goes on from when loaded, seconds
// since the epoch. setWallClock fixes it for tests; a negative value gives the system clock back.
double wallClockSeconds();
void setWallClock(double seconds);
bool wallClockFixed();

} // namespace nimbrel::sim
