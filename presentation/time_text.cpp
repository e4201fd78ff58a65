#include "presentation/time_text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <optional>

namespace nimbrel {

namespace {

bool isSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// One "%u": blanks, an optional sign, at least one digit; the value wraps to 32 bits like an unsigned
// read and saturates when the digits overflow.
bool readUnsigned(std::string_view text, std::size_t& i, std::uint32_t& out) {
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    std::uint64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (value > 0xFFFFFFFFull) overflow = true, value = 0xFFFFFFFFull;
    }
    if (overflow) {
        out = 0xFFFFFFFFu;
    } else {
        out = static_cast<std::uint32_t>(negative ? (0x100000000ull - value) : value);
    }
    return true;
}

bool readLiteral(std::string_view text, std::size_t& i, char c) {
    if (i >= text.size() || text[i] != c) return false;
    ++i;
    return true;
}

int clampToInt(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, -100000000, 100000000));
}

std::tm toTm(const StampFields& f) {
    std::tm t{};
    t.tm_year = clampToInt(static_cast<std::int64_t>(f.year) - 1900);
    t.tm_mon = clampToInt(static_cast<std::int64_t>(f.month) - 1);
    t.tm_mday = clampToInt(f.day);
    t.tm_hour = clampToInt(f.hour);
    t.tm_min = clampToInt(f.minute);
    t.tm_sec = clampToInt(f.second);
    t.tm_isdst = -1; // the system decides daylight saving
    return t;
}

// Days from 1970-01-01 to a proleptic Gregorian date; any month carries over into the year.
std::int64_t daysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
    const std::int64_t m0 = month - 1;
    const std::int64_t carry = (m0 >= 0 ? m0 : m0 - 11) / 12; // floor division
    year += carry;
    month = m0 - carry * 12 + 1;
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yoe = year - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The program's own stamps, exactly "yyyy-mm-dd hh:mm:ss", read without the general field reader;
// false for any other text.
bool readPlainStamp(std::string_view stamp, StampFields& f) {
    if (stamp.size() != 19 || stamp[4] != '-' || stamp[7] != '-' || stamp[10] != ' ' || stamp[13] != ':' ||
        stamp[16] != ':')
        return false;
    bool digitsOnly = true;
    auto digits = [&](std::size_t at, std::size_t n) {
        std::uint32_t value = 0;
        for (std::size_t k = at; k < at + n; ++k) {
            const auto digit = static_cast<std::uint32_t>(static_cast<unsigned char>(stamp[k])) - '0';
            digitsOnly = digitsOnly && digit <= 9;
            value = value * 10 + digit;
        }
        return value;
    };
    const StampFields read{digits(0, 4),  digits(5, 2),  digits(8, 2),
                           digits(11, 2), digits(14, 2), digits(17, 2)};
    if (!digitsOnly) return false;
    f = read;
    return true;
}

} // namespace

StampFields readStampFields(std::string_view stamp) {
    StampFields f;
    if (readPlainStamp(stamp, f)) return f;
    std::size_t i = 0;
    std::array<std::uint32_t*, 6> fields = {&f.year, &f.month, &f.day, &f.hour, &f.minute, &f.second};
    // Separators after each field: '-', '-', blanks (each number skips those before it), ':', ':'.
    for (std::size_t k = 0; k < fields.size(); ++k) {
        if (!readUnsigned(stamp, i, *fields[k])) break;
        if (k == 0 || k == 1) {
            if (!readLiteral(stamp, i, '-')) break;
        } else if (k == 3 || k == 4) {
            if (!readLiteral(stamp, i, ':')) break;
        }
    }
    return f;
}

const char* dateTextPattern(int dateIndex) {
    static constexpr std::array<const char*, 3> kPatterns = {"%Y-%m-%d", "%m-%d-%Y", "%d-%m-%Y"};
    return dateIndex >= 0 && dateIndex < 3 ? kPatterns[static_cast<std::size_t>(dateIndex)] : kPatterns[0];
}

const char* clockTextPattern(int clockIndex) {
    return clockIndex == 1 ? "%I:%M%p" : "%H:%M";
}

std::string stationTimeText(std::string_view stamp, int dateIndex, int clockIndex) {
    if (stamp.size() <= 9) return std::string(stamp);
    std::string full(stamp);
    constexpr std::string_view kMidnight = " 00:00:00";
    if (full.size() < 19) full += kMidnight.substr(kMidnight.size() - (19 - full.size()));

    StampFields f = readStampFields(full);
    if (f.year < 1900 || f.year > 9999) f.year = 2000;
    if (f.month < 1 || f.month > 12) f.month = 1;
    if (f.day < 1 || f.day > 31) f.day = 1;
    if (f.hour > 23) f.hour = 0;
    if (f.minute > 59) f.minute = 0;
    if (f.second > 59) f.second = 0;

    std::tm t = toTm(f);
    const std::time_t seconds = std::mktime(&t); // normalises t: 31 April becomes 1 May, DST applied
    if (seconds == static_cast<std::time_t>(-1)) t = toTm(f);

    const std::string pattern = std::string(dateTextPattern(dateIndex)) + " " + clockTextPattern(clockIndex);
    std::array<char, 128> buffer{};
    const std::size_t n = std::strftime(buffer.data(), buffer.size(), pattern.c_str(), &t);
    return std::string(buffer.data(), n);
}

namespace {

bool isLeapYear(std::uint32_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

std::uint32_t daysInMonth(std::uint32_t year, std::uint32_t month) {
    static constexpr std::array<std::uint32_t, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Fields a plain day can take as they are: the clock's ranges and days up to `lastDay`.
bool inRange(const StampFields& f, std::uint32_t lastDay) {
    return f.year >= 1900 && f.year <= 9999 && f.month >= 1 && f.month <= 12 && f.day >= 1 &&
           f.day <= lastDay && f.hour <= 23 && f.minute <= 59 && f.second <= 59;
}

std::string ampmText(int hour) {
    std::tm t{};
    t.tm_hour = hour;
    std::array<char, 64> buffer{};
    const std::size_t n = std::strftime(buffer.data(), buffer.size(), "%p", &t);
    return std::string(buffer.data(), n);
}

} // namespace

StationTimeFormatter::StationTimeFormatter(int dateIndex, int clockIndex)
    : dateIndex_(dateIndex), clockIndex_(clockIndex) {
    if (clockIndex_ == 1) {
        am_ = ampmText(0);
        pm_ = ampmText(12);
    }
}

std::optional<std::time_t> PlainDays::startOf(const StampFields& f) {
    const std::int64_t key = static_cast<std::int64_t>(f.year) * 10000 + f.month * 100 + f.day;
    Day& day = days_[static_cast<std::size_t>(key) % days_.size()];
    if (day.key == key) return day.start;
    StampFields edge = f;
    edge.hour = edge.minute = edge.second = 0;
    std::tm first = toTm(edge);
    edge.hour = 23;
    edge.minute = edge.second = 59;
    std::tm last = toTm(edge);
    const std::time_t start = std::mktime(&first);
    day.key = key;
    day.start = start != static_cast<std::time_t>(-1) && std::mktime(&last) - start == 86399
                    ? std::optional<std::time_t>(start)
                    : std::nullopt;
    return day.start;
}

std::string StationTimeFormatter::text(std::string_view stamp) {
    // Only the program's own stamps take the short way; anything else is left to the general path.
    StampFields f;
    if (!readPlainStamp(stamp, f)) return stationTimeText(stamp, dateIndex_, clockIndex_);
    // A day past the month's end rolls over, and a day with a daylight-saving change may move the
    // time (the spring gap): the system decides those.
    if (!inRange(f, daysInMonth(f.year, f.month)) || !days_.startOf(f))
        return stationTimeText(stamp, dateIndex_, clockIndex_);

    // The text is made at its final length and written in place: this runs for every row of a
    // listing. A plain stamp's year (1900 to 9999), month, day, hour and minute are already written
    // as "%Y", "%m", "%d", "%H" and "%M" write them.
    const bool twelveHour = clockIndex_ == 1;
    const std::string& ampm = f.hour < 12 ? am_ : pm_;
    std::string out(16 + (twelveHour ? ampm.size() : 0), ' ');
    char* p = out.data();
    auto copy = [&p, &stamp](std::size_t at, std::size_t n) {
        std::memcpy(p, stamp.data() + at, n);
        p += n;
    };
    switch (dateIndex_ >= 0 && dateIndex_ < 3 ? dateIndex_ : 0) {
    case 1: // %m-%d-%Y
        copy(5, 2), *p++ = '-', copy(8, 2), *p++ = '-', copy(0, 4);
        break;
    case 2: // %d-%m-%Y
        copy(8, 2), *p++ = '-', copy(5, 2), *p++ = '-', copy(0, 4);
        break;
    default: // %Y-%m-%d
        copy(0, 10);
        break;
    }
    ++p;               // the blank
    if (!twelveHour) { // %H:%M
        copy(11, 5);
        return out;
    }
    const std::uint32_t hour = f.hour % 12 == 0 ? 12 : f.hour % 12; // %I:%M%p
    *p++ = static_cast<char>('0' + hour / 10);
    *p++ = static_cast<char>('0' + hour % 10);
    *p++ = ':';
    copy(14, 2);
    ampm.copy(p, ampm.size());
    return out;
}

std::time_t parseLocalTime(std::string_view stamp) {
    std::tm t = toTm(readStampFields(stamp));
    return std::mktime(&t);
}

std::time_t LocalTimeReader::read(std::string_view stamp) {
    const StampFields f = readStampFields(stamp);
    // mktime rolls a day past the month's end over as the whole stamp would roll, so days to 31 may
    // take the short way.
    if (inRange(f, 31))
        if (const std::optional<std::time_t> start = days_.startOf(f))
            return *start + static_cast<std::time_t>(f.hour) * 3600 + f.minute * 60 + f.second;
    std::tm t = toTm(f);
    return std::mktime(&t);
}

std::int64_t timeSpanBetween(std::string_view first, std::string_view second, Clock& clock) {
    const std::time_t from =
        first.size() <= 10 ? parseLocalTime("2000-01-01 00:00:00") : parseLocalTime(first);
    const std::time_t to = second.size() <= 10 ? clock.nowSeconds() : parseLocalTime(second);
    return static_cast<std::int64_t>(to) - static_cast<std::int64_t>(from);
}

double parseChartTime(std::string_view stamp) {
    const StampFields f = readStampFields(stamp);
    const std::int64_t days = daysFromCivil(f.year, f.month, f.day);
    return static_cast<double>(days) * 86400.0 + static_cast<double>(f.hour) * 3600.0 +
           static_cast<double>(f.minute) * 60.0 + static_cast<double>(f.second);
}

} // namespace nimbrel
