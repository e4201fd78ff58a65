#include "usb/sim/sim_config.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

namespace nimbrel::sim {
namespace {

constexpr const char* kKeys[] = {
    "seed",    "start",         "speed",         "ack_faults",   "silent_faults", "unplug_faults", "vid",
    "pid",     "denied",        "state",         "interval",     "sensor_phase",  "log_phase",     "drift",
    "hazards", "lockup_margin", "lockup_chance", "lockup_after", "stats",         "control"};

// The station lives every record from its first day to the start, and catches up with its clock at
// every call: a start past 2100, or a clock a million times faster than the real one, would keep it busy
// for ever.
constexpr double kLatestStart = kLatestSimTime;
constexpr double kFastestSpeed = 1e6;

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool readDouble(std::string_view text, double& out) {
    std::string copy(text);
    char* end = nullptr;
    double value = std::strtod(copy.c_str(), &end);
    if (copy.empty() || end != copy.c_str() + copy.size() || !std::isfinite(value)) return false;
    out = value;
    return true;
}

// Decimal or 0x-prefixed hexadecimal.
bool readUnsigned(std::string_view text, std::uint64_t& out) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    auto result = std::from_chars(text.data(), text.data() + text.size(), out, base);
    return !text.empty() && result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool readRate(std::string_view text, double& out) {
    double value = 0;
    if (!readDouble(text, value)) return false;
    out = std::clamp(value, 0.0, 1.0);
    return true;
}

} // namespace

double realNowSeconds() {
    return static_cast<double>(std::time(nullptr));
}

namespace {
double gFixedWallClock = -1; // the callers hold the library's lock
} // namespace

double wallClockSeconds() {
    if (gFixedWallClock >= 0) return gFixedWallClock;
    const std::chrono::duration<double> sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return sinceEpoch.count();
}

void setWallClock(double seconds) {
    gFixedWallClock = std::isfinite(seconds) && seconds >= 0 ? seconds : -1;
}

bool wallClockFixed() {
    return gFixedWallClock >= 0;
}

bool applySetting(SimConfig& config, std::string_view key, std::string_view value) {
    const std::string name = lower(key);
    if (name == "seed") {
        std::uint64_t seed = 0;
        if (!readUnsigned(value, seed)) return false;
        config.seed = seed;
    } else if (name == "start") {
        if (lower(value) == "now") {
            config.start = realNowSeconds();
            return true;
        }
        double start = 0;
        if (!readDouble(value, start) || start < 0 || start > kLatestStart) return false;
        config.start = start;
    } else if (name == "speed") {
        double speed = 0;
        if (!readDouble(value, speed) || speed < 0 || speed > kFastestSpeed) return false;
        config.speed = speed;
    } else if (name == "ack_faults") {
        return readRate(value, config.ackFaults);
    } else if (name == "silent_faults") {
        return readRate(value, config.silentFaults);
    } else if (name == "unplug_faults") {
        return readRate(value, config.unplugFaults);
    } else if (name == "vid" || name == "pid") {
        std::uint64_t id = 0;
        if (!readUnsigned(value, id) || id > 0xFFFF) return false;
        (name == "vid" ? config.vid : config.pid) = static_cast<int>(id);
    } else if (name == "denied") {
        std::uint64_t denied = 0;
        if (!readUnsigned(value, denied) || denied > 1) return false;
        config.denied = denied == 1;
    } else if (name == "state") {
        config.stateFile = std::string(value); // empty: the station is not kept
    } else if (name == "interval") {
        std::uint64_t minutes = 0;
        if (!readUnsigned(value, minutes) || minutes < 1 || minutes > 240) return false;
        config.interval = static_cast<int>(minutes);
    } else if (name == "sensor_phase") {
        double phase = 0;
        if (!readDouble(value, phase) || phase < 0 || phase >= kSensorPeriod) return false;
        config.sensorPhase = phase;
    } else if (name == "log_phase") {
        // Less than the interval, which another line may still set: a phase of the interval or more is
        // refused when the station is made.
        double phase = 0;
        if (!readDouble(value, phase) || phase < 0 || phase >= 240 * 60.0) return false;
        config.logPhase = phase;
    } else if (name == "drift") {
        double drift = 0;
        if (!readDouble(value, drift) || std::abs(drift) > kMostDrift) return false;
        config.drift = drift;
    } else if (name == "hazards") {
        const std::string word = lower(value);
        if (word != "on" && word != "off") return false;
        config.hazards = word == "on";
    } else if (name == "lockup_margin") {
        // Half a sensor period would put every moment inside a margin.
        double margin = 0;
        if (!readDouble(value, margin) || margin < 0 || margin >= kSensorPeriod / 2) return false;
        config.lockupMargin = margin;
    } else if (name == "lockup_chance") {
        return readRate(value, config.lockupChance);
    } else if (name == "lockup_after") {
        double after = 0;
        if (!readDouble(value, after) || after < 0 || after > kLatestSimTime) return false;
        config.lockupAfter = after;
    } else if (name == "stats") {
        config.statsFile = std::string(value);
    } else if (name == "control") {
        config.controlFile = std::string(value);
    } else {
        return false;
    }
    return true;
}

void applySettingsText(SimConfig& config, std::string_view text) {
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        line = line.substr(0, line.find_first_of("#;"));
        auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '[') continue;
        // Glue "key = value" into "key=value" so that every setting is one word.
        std::string glued;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
                auto nextWord = line.find_first_not_of(" \t\r", i);
                bool besideEquals = (!glued.empty() && glued.back() == '=') ||
                                    (nextWord != std::string::npos && line[nextWord] == '=');
                if (besideEquals) continue;
            }
            glued += line[i];
        }
        std::istringstream words(glued);
        std::string word;
        while (words >> word) {
            auto equals = word.find('=');
            if (equals == std::string::npos) continue;
            applySetting(config, std::string_view(word).substr(0, equals),
                         std::string_view(word).substr(equals + 1));
        }
    }
}

void applyEnvironment(SimConfig& config) {
    for (const char* key : kKeys) {
        std::string name = "NIMBREL_SIM_" + std::string(key);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (const char* value = std::getenv(name.c_str())) applySetting(config, key, value);
    }
}

bool applySettingsFile(SimConfig& config, const std::string& path) {
    std::ifstream file(path);
    if (!file) return false;
    std::stringstream text;
    text << file.rdbuf();
    applySettingsText(config, text.str());
    return true;
}

} // namespace nimbrel::sim
