// One calendar day of the history summed up: the running sums and extremes of its records, in the
// store's base units (°C, %, hPa, mm, m/s), kept so that records appended later fold into the same day.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace nimbrel {

// A high or a low with the sample time ("YYYY-MM-DD HH:MM:SS") of the first record that reached it.
struct Extreme {
    double value = 0.0;
    std::string time; // empty while no record had a reading
    bool known() const { return !time.empty(); }
    // Takes the reading when it is beyond the kept one (ties keep the first in the file).
    void takeHigh(double v, std::string_view at);
    void takeLow(double v, std::string_view at);
    bool operator==(const Extreme&) const = default;
};

// The wind direction of many records: the sum of each record's unit vector times its average speed.
struct WindVector {
    double east = 0.0;
    double north = 0.0;
    void add(int directionCode, double speed);
    void add(const WindVector& other);
    // The nearest of the 16 points (0 = N, clockwise), halfway going clockwise; -1 when the sum is 0.
    int dominantCode() const;
    bool operator==(const WindVector&) const = default;
};

struct ClimateDay {
    std::string date; // "YYYY-MM-DD", the local calendar day of the records' sample times
    std::int64_t records = 0;
    double tempSum = 0.0;
    std::int64_t tempCount = 0;
    Extreme tempHigh, tempLow, humHigh, humLow, presHigh, presLow, dewHigh, dewLow, chillLow;
    double rain = 0.0;
    Extreme hourRainHigh;
    double windSum = 0.0;
    std::int64_t windCount = 0;
    Extreme windHigh, gustHigh;
    int gustDirCode = -1; // the direction of the record that gave gustHigh
    double windRunMetres = 0.0;
    WindVector wind;

    bool hasTemperature() const { return tempCount > 0; }
    double tempMean() const { return tempSum / static_cast<double>(tempCount); }
    bool operator==(const ClimateDay&) const = default;
};

// True for a day's text, "YYYY-MM-DD".
bool isClimateDate(std::string_view text);

// The day of a history line's sample time, or an empty view for a line that is no record or has no
// readable sample time.
std::string_view climateDateOf(std::string_view line);

// Folds one history line (line end removed) into `day`, whose date the caller took from the line.
// Readings that are "---", empty or not numbers are skipped one by one.
void addRecordLine(ClimateDay& day, std::string_view line);

} // namespace nimbrel
