#include "app/climate_day.h"

#include "presentation/decimal_text.h"
#include "store/history_line.h"

#include <cmath>
#include <numbers>

namespace nimbrel {

namespace {

// Columns of a history line (from 0) that a day's summary reads.
enum Column : std::size_t {
    sampleTime = 2,
    interval = 3,
    outHumi = 6,
    outTemp = 7,
    dewPoint = 8,
    windChill = 9,
    relPres = 11,
    winds = 12,
    gust = 14,
    windDir = 16,
    increment = 21,
    hourRain = 22,
    columnsRead = 23,
};

static_assert(columnsRead == ClimateLine::kColumns);

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A column's reading; false for "---", an empty column or a text that is no number.
bool readingOf(std::string_view column, double& value) {
    const std::string_view t = trimBlanks(column);
    if (t.empty() || !(isDigit(t[0]) || ((t[0] == '-' || t[0] == '.') && t.size() > 1 && isDigit(t[1]))))
        return false;
    value = numberValue(t);
    return std::isfinite(value);
}

constexpr double kDegreesPerPoint = 22.5;

// The digits of "YYYY-MM-DD HH:MM:SS" (or of the date or the month it starts with) in one number, times
// ten plus how much of the text there was: 1 a month, 2 a date, 3 a sample time; 0 for no month at all.
std::int64_t momentOf(std::string_view at) {
    constexpr std::string_view kShape = "dddd-dd-dd dd:dd:dd";
    std::int64_t digits = 0, usedDigits = 0;
    std::size_t used = 0;
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        if (i >= at.size() || (kShape[i] == 'd' ? !isDigit(at[i]) : at[i] != kShape[i])) break;
        if (kShape[i] == 'd') digits = digits * 10 + (at[i] - '0');
        if (i + 1 == 7 || i + 1 == 10 || i + 1 == kShape.size()) used = i + 1, usedDigits = digits;
    }
    digits = usedDigits;
    const int shape = used == kShape.size() ? 3 : used == 10 ? 2 : used == 7 ? 1 : 0;
    if (shape == 0) return 0;
    for (std::size_t i = used; i < kShape.size(); ++i)
        if (kShape[i] == 'd') digits *= 10;
    return digits * 10 + shape;
}

} // namespace

std::string Extreme::time() const {
    const int shape = static_cast<int>(moment % 10);
    std::int64_t digits = moment / 10;
    char text[20] = "0000-00-00 00:00:00";
    for (std::size_t i = sizeof text - 1; i-- > 0;)
        if (text[i] == '0') text[i] = static_cast<char>('0' + digits % 10), digits /= 10;
    return std::string(text, shape == 3 ? 19 : shape == 2 ? 10 : shape == 1 ? 7 : 0);
}

void Extreme::takeHigh(double v, std::string_view at) {
    if (!known() || v > value) value = v, moment = momentOf(at);
}

void Extreme::takeLow(double v, std::string_view at) {
    if (!known() || v < value) value = v, moment = momentOf(at);
}

void Extreme::takeHigh(const Extreme& other) {
    if (other.known() && (!known() || other.value > value)) *this = other;
}

void Extreme::takeLow(const Extreme& other) {
    if (other.known() && (!known() || other.value < value)) *this = other;
}

void WindVector::add(int directionCode, double speed) {
    // The unit vectors of the 16 points (clockwise from north), worked out once.
    static const auto kPoints = [] {
        std::array<std::pair<double, double>, 16> points;
        for (int i = 0; i < 16; ++i) {
            const double radians = i * kDegreesPerPoint * std::numbers::pi / 180.0;
            points[static_cast<std::size_t>(i)] = {std::sin(radians), std::cos(radians)};
        }
        return points;
    }();
    const auto [sine, cosine] = kPoints[static_cast<std::size_t>(directionCode & 15)];
    east += speed * sine;
    north += speed * cosine;
}

void WindVector::add(const WindVector& other) {
    east += other.east;
    north += other.north;
}

int WindVector::dominantCode() const {
    const double length = std::hypot(east, north);
    // What is left of opposite winds that cancel out is rounding, not a direction.
    if (length < 1e-9) return -1;
    double degrees = std::atan2(east, north) * 180.0 / std::numbers::pi;
    if (degrees < 0) degrees += 360.0;
    // The sine and cosine of the points are not exact: a sum lying halfway could come out a hair
    // before the line and be named anticlockwise.
    const auto point = static_cast<int>(std::floor(degrees / kDegreesPerPoint + 0.5 + 1e-9));
    return point % 16;
}

void ClimateDay::add(const ClimateDay& o) {
    records += o.records;
    tempSum += o.tempSum;
    tempCount += o.tempCount;
    rain += o.rain;
    windSum += o.windSum;
    windCount += o.windCount;
    windRunMetres += o.windRunMetres;
    wind.add(o.wind);
    for (auto high : {&ClimateDay::tempHigh, &ClimateDay::humHigh, &ClimateDay::presHigh, &ClimateDay::dewHigh,
                      &ClimateDay::hourRainHigh, &ClimateDay::windHigh})
        (this->*high).takeHigh(o.*high);
    for (auto low : {&ClimateDay::tempLow, &ClimateDay::humLow, &ClimateDay::presLow, &ClimateDay::dewLow,
                     &ClimateDay::chillLow})
        (this->*low).takeLow(o.*low);
    if (o.gustHigh.known() && (!gustHigh.known() || o.gustHigh.value > gustHigh.value)) {
        gustHigh = o.gustHigh;
        gustDirCode = o.gustDirCode;
    }
}

bool isClimateDate(std::string_view t) {
    if (t.size() != 10 || t[4] != '-' || t[7] != '-') return false;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!isDigit(t[i])) return false;
    return true;
}

bool ClimateLine::read(std::string_view line) {
    if (!isRecordLine(line)) return false;
    const std::size_t found = leadingColumns(line, columns_.data(), columnsRead);
    if (found <= sampleTime) return false;
    for (std::size_t i = found; i < columnsRead; ++i) columns_[i] = {};
    columns_[sampleTime] = trimBlanks(columns_[sampleTime]);
    return isClimateDate(columns_[sampleTime].substr(0, 10));
}

std::string_view climateDateOf(std::string_view line) {
    ClimateLine record;
    return record.read(line) ? record.date() : std::string_view{};
}

void addRecordLine(ClimateDay& day, std::string_view line) {
    ClimateLine record;
    if (record.read(line)) record.addTo(day);
}

void ClimateLine::addTo(ClimateDay& day) const {
    const auto& c = columns_;
    const std::string_view at = c[sampleTime];
    ++day.records;

    double v = 0.0;
    if (readingOf(c[outTemp], v)) {
        day.tempSum += v;
        ++day.tempCount;
        day.tempHigh.takeHigh(v, at);
        day.tempLow.takeLow(v, at);
    }
    if (readingOf(c[outHumi], v)) day.humHigh.takeHigh(v, at), day.humLow.takeLow(v, at);
    if (readingOf(c[relPres], v)) day.presHigh.takeHigh(v, at), day.presLow.takeLow(v, at);
    if (readingOf(c[dewPoint], v)) day.dewHigh.takeHigh(v, at), day.dewLow.takeLow(v, at);
    if (readingOf(c[windChill], v)) day.chillLow.takeLow(v, at);
    if (readingOf(c[increment], v)) day.rain += v;
    if (readingOf(c[hourRain], v)) day.hourRainHigh.takeHigh(v, at);

    double direction = -1.0;
    const bool hasDirection = readingOf(c[windDir], direction) && direction >= 0 && direction <= 15;
    double speed = 0.0;
    if (readingOf(c[winds], speed)) {
        day.windSum += speed;
        ++day.windCount;
        day.windHigh.takeHigh(speed, at);
        double minutes = 0.0;
        if (readingOf(c[interval], minutes)) day.windRunMetres += speed * minutes * 60.0;
        if (hasDirection) day.wind.add(static_cast<int>(direction), speed);
    }
    if (readingOf(c[gust], v) && (!day.gustHigh.known() || v > day.gustHigh.value)) {
        day.gustHigh.takeHigh(v, at);
        day.gustDirCode = hasDirection ? static_cast<int>(direction) : -1;
    }
}

} // namespace nimbrel
