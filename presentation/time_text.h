// Time stamps: reading the program's "year-month-day hour:minute:second" texts, showing them in the
// user's date and time format, and measuring spans between them.
#pragma once

#include "station/clock.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

// The six fields of a stamp as read by "%u-%u-%u %u:%u:%u": fields are read in order until one does
// not match, the rest stay 0; a negative field wraps around like an unsigned read does.
struct StampFields {
    std::uint32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
StampFields readStampFields(std::string_view stamp);

// strftime patterns of the date (index 0 "%Y-%m-%d", 1 "%m-%d-%Y", 2 "%d-%m-%Y") and of the clock
// (0 "%H:%M", 1 "%I:%M%p"); an index outside its table gives entry 0.
const char* dateTextPattern(int dateIndex);
const char* clockTextPattern(int clockIndex);

// The stamp in the user's format: the date pattern, a blank and the clock pattern, no seconds.
// Texts of 9 characters or fewer ("", "---") come back unchanged; a date alone or a date with hours
// and minutes is completed with zeros; fields out of range are replaced (a year outside 1900..9999
// by 2000, other fields by their lowest value). A day past the month's end rolls into the next month.
std::string stationTimeText(std::string_view stamp, int dateIndex, int clockIndex);

// The days that readers and formatters of many stamps met lately, each asked of the system once: a
// stamp's time is its day's local midnight plus the clock reading only on a day whose 24 hours are
// plain (no daylight-saving change). Fields must be in range, the day at most 31.
class PlainDays {
public:
    // The local midnight of the stamp's day when its hours are plain; nothing when the system must decide.
    std::optional<std::time_t> startOf(const StampFields& f);

private:
    struct Day {
        std::int64_t key = -1;
        std::optional<std::time_t> start;
    };
    std::array<Day, 8> days_{};
};

// Formats many stamps like stationTimeText with the same results, asking the system only twice per
// calendar day: on a day whose 24 hours are plain (no daylight-saving change) a valid stamp needs no
// normalising and its fields are written directly; anything else goes to stationTimeText. The AM/PM
// texts of the 12-hour clock are taken from the locale when the formatter is made. One formatter
// serves one listing; it is not shared between threads.
class StationTimeFormatter {
public:
    StationTimeFormatter(int dateIndex, int clockIndex);
    std::string text(std::string_view stamp);

private:
    int dateIndex_;
    int clockIndex_;
    std::string am_;
    std::string pm_;
    PlainDays days_;
};

// Seconds since the epoch of a stamp read as local time. The system decides daylight saving: a time
// that the spring change skips (02:30 in Central Europe) is read with the winter offset and so lands
// one hour later on the clock (03:30 summer time); a time that occurs twice in autumn is read as its
// first occurrence. Returns -1 when the fields cannot make a time at all.
std::time_t parseLocalTime(std::string_view stamp);

// Reads many stamps as local time with the same results as parseLocalTime, asking the system only
// twice per calendar day: on a day whose 24 hours are plain (no daylight-saving change) a time is the
// day's start plus its seconds; other days and out-of-range fields go to the system stamp by stamp.
// One reader serves one walk over the history; it is not shared between threads.
class LocalTimeReader {
public:
    std::time_t read(std::string_view stamp);

private:
    PlainDays days_;
};

// second - first in whole seconds. A text of 10 characters or fewer does not count as a stamp: the
// first then stands for 2000-01-01 00:00:00 and the second for the present local time.
std::int64_t timeSpanBetween(std::string_view first, std::string_view second, Clock& clock = systemClock());

// The stamp's six fields as a value for the chart's time axis: seconds since 1970-01-01 00:00:00 of
// the wall-clock reading itself, with no time zone and no daylight saving (so the axis never has a
// gap or a fold). No validation: fields out of range carry over (month 13 is January of next year).
double parseChartTime(std::string_view stamp);

} // namespace nimbrel
