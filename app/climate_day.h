// One calendar day of the history summed up: the running sums and extremes of its records, in the
// store's base units (°C, %, hPa, mm, m/s), kept so that records appended later fold into the same day.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace nimbrel {

// A text of at most N characters kept inside its owner, so that a day is plain bytes (the cache
// holds days as they lie in memory). A longer text is cut.
template <std::size_t N>
class FixedText {
public:
    FixedText() = default;
    FixedText(std::string_view text) { assign(text); }
    void assign(std::string_view text) {
        size_ = static_cast<std::uint8_t>(std::min(text.size(), N));
        std::memcpy(chars_, text.data(), size_);
    }
    std::string_view view() const { return {chars_, size_}; }
    std::string str() const { return std::string(view()); }
    bool empty() const { return size_ == 0; }
    bool operator==(const FixedText& other) const { return view() == other.view(); }

private:
    char chars_[N] = {};
    std::uint8_t size_ = 0;
};

// A high or a low with the moment of the first record that reached it: a sample time
// ("YYYY-MM-DD HH:MM:SS"), a date or a month. The moment is kept as its digits in one number, so that a
// day of many extremes stays small in memory and in the cache.
struct Extreme {
    double value = 0.0;
    std::int64_t moment = 0; // 0 while no record had a reading
    bool known() const { return moment != 0; }
    // The moment as it was given: a sample time, a date or a month.
    std::string time() const;
    // Takes the reading when it is beyond the kept one (ties keep the first in the file). `at` is a
    // sample time, a date or a month (a text that does not start with a month would not be kept).
    void takeHigh(double v, std::string_view at);
    void takeLow(double v, std::string_view at);
    // The same for another extreme (a day's, folded into a month's).
    void takeHigh(const Extreme& other);
    void takeLow(const Extreme& other);
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
    FixedText<10> date; // "YYYY-MM-DD", the local calendar day of the records' sample times
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

    // Folds another day in, as a month's or a year's total: sums added, extremes kept where they are
    // beyond these (ties keep this one's, the earlier).
    void add(const ClimateDay& other);
    bool hasTemperature() const { return tempCount > 0; }
    double tempMean() const { return tempSum / static_cast<double>(tempCount); }
    bool operator==(const ClimateDay&) const = default;
};

// True for a day's text, "YYYY-MM-DD".
bool isClimateDate(std::string_view text);

// The columns of one history line (line end removed) that a day's summary reads, split once.
class ClimateLine {
public:
    static constexpr std::size_t kColumns = 23; // up to the hour rain
    // False for a line that is no record or has no readable sample time.
    bool read(std::string_view line);
    // The day of the line's sample time.
    std::string_view date() const { return time().substr(0, 10); }
    std::string_view time() const { return columns_[2]; }
    // Folds the line into `day` (the day of date()). Readings that are "---", empty or not numbers are
    // skipped one by one.
    void addTo(ClimateDay& day) const;

private:
    std::array<std::string_view, kColumns> columns_;
};

// The day of a history line's sample time, or an empty view for a line that is no record.
std::string_view climateDateOf(std::string_view line);
// Folds one history line into `day` (see ClimateLine).
void addRecordLine(ClimateDay& day, std::string_view line);

} // namespace nimbrel
