#include "bench/store_generator.h"

#include "station/weather_sample.h"
#include "store/history_line.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace nimbrel::bench {

namespace {

constexpr std::int64_t kInterval = 300;
constexpr std::int64_t kStart = 1451606400; // 2016-01-01 00:00:00 UTC
constexpr double kPi = 3.14159265358979323846;

// Seconds of the last Sunday of a month, 01:00 UTC: when the European clocks change.
std::int64_t lastSundayOneUtc(int year, int month) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month; // the first of the next month
    tm.tm_mday = 1;
    tm.tm_hour = 1;
    std::int64_t t = timegm(&tm) - 86400;
    std::tm day{};
    const std::time_t tt = static_cast<std::time_t>(t);
    gmtime_r(&tt, &day);
    return t - static_cast<std::int64_t>(day.tm_wday) * 86400;
}

std::string localText(std::int64_t utc) {
    std::tm tm{};
    std::time_t tt = static_cast<std::time_t>(utc);
    gmtime_r(&tt, &tm);
    const int year = tm.tm_year + 1900;
    const bool summer = utc >= lastSundayOneUtc(year, 3) && utc < lastSundayOneUtc(year, 10);
    tt = static_cast<std::time_t>(utc + (summer ? 7200 : 3600));
    gmtime_r(&tt, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

std::string fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

int beaufort(double speed) {
    static constexpr std::array<double, 12> limits = {0.3,  1.6,  3.4,  5.5,  8.0,  10.8,
                                                      13.9, 17.2, 20.8, 24.5, 28.5, 32.7};
    int level = 0;
    while (level < 12 && speed >= limits[static_cast<std::size_t>(level)]) ++level;
    return level;
}

// Rain of the last n records, kept as a running sum over a ring of increments (tenths of mm).
class Window {
public:
    explicit Window(std::size_t records) : ring_(records, 0) {}
    void add(int tenths) {
        sum_ += tenths - ring_[next_];
        ring_[next_] = tenths;
        next_ = (next_ + 1) % ring_.size();
    }
    double mm() const { return sum_ * 0.1; }

private:
    std::vector<int> ring_;
    std::size_t next_ = 0;
    long sum_ = 0;
};

} // namespace

std::uint64_t generateStore(const GeneratorOptions& options, std::ostream& out) {
    std::mt19937_64 random(options.seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    static constexpr std::array<const char*, 16> compass = {"N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE",
                                                            "S", "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW"};

    const auto records = static_cast<std::int64_t>(options.years * 365.25 * 86400 / kInterval);
    std::uint64_t lines = 0;
    out << historyHeaderLine();
    ++lines;

    Window hour(12), day(288), week(2016), month(8640);
    double pressure = 1013.0;
    double wind = 3.0;
    int direction = 8;
    long counter = 0; // the station's rain counter, tenths of mm, wraps at 65536
    double total = 0.0;
    int showerLeft = 0;
    double showerRate = 0.0;
    int id = 0;
    WeatherSample s;
    s.text(WeatherSample::sampleCircle) = "5";
    s.text(WeatherSample::relPres) = "";

    for (std::int64_t i = 0; i < records; ++i) {
        const std::int64_t t = kStart + i * kInterval;
        const double dayPhase = 2 * kPi * static_cast<double>(t % 86400) / 86400.0;
        const double yearPhase = 2 * kPi * static_cast<double>(t % 31557600) / 31557600.0;

        const double outTemp =
            9.0 - 10.0 * std::cos(yearPhase - 0.35) - 4.0 * std::cos(dayPhase - 0.8) + noise(random);
        const double outHumi =
            std::clamp(75.0 + 15.0 * std::cos(dayPhase - 0.8) + 4.0 * noise(random), 15.0, 99.0);
        const double inTemp = 21.0 + 0.8 * noise(random);
        pressure = std::clamp(pressure + 0.15 * noise(random) + (1013.0 - pressure) * 0.002, 960.0, 1050.0);
        wind = std::clamp(wind + 0.4 * noise(random) + (3.0 - wind) * 0.05, 0.0, 30.0);
        const double gust = wind * (1.3 + 0.3 * uniform(random));
        if (uniform(random) < 0.1) direction = (direction + (uniform(random) < 0.5 ? 15 : 1)) % 16;

        // Showers: a few a week, half an hour to three hours, light to heavy.
        if (showerLeft == 0 && uniform(random) < 0.004) {
            showerLeft = 6 + static_cast<int>(uniform(random) * 30);
            showerRate = 0.2 + uniform(random) * 2.5;
        }
        int tenths = 0;
        if (showerLeft > 0) {
            --showerLeft;
            tenths = static_cast<int>(showerRate * (0.5 + uniform(random)) + 0.5);
        }
        counter = (counter + tenths) % 65536;
        total += tenths * 0.1;
        hour.add(tenths);
        day.add(tenths);
        week.add(tenths);
        month.add(tenths);

        // The user deletes a record now and then; the IDs keep their gaps.
        id += uniform(random) < 0.00005 ? 2 : 1;
        const double dew = outTemp - (100.0 - outHumi) / 5.0;
        s.text(WeatherSample::ID) = fixed(id, 0);
        s.text(WeatherSample::saveTime) = localText(t + 20);
        s.text(WeatherSample::sampleTime) = localText(t);
        s.text(WeatherSample::indHumi) = fixed(std::round(45.0 + 5.0 * noise(random)), 0);
        s.text(WeatherSample::indTemp) = fixed(inTemp, 1);
        s.text(WeatherSample::outHumi) = fixed(std::round(outHumi), 0);
        s.text(WeatherSample::outTemp) = fixed(outTemp, 1);
        s.text(WeatherSample::dewPoint) = fixed(dew, 6);
        s.text(WeatherSample::windChill) = fixed(wind < 1.8 ? outTemp : outTemp - wind * 0.7, 6);
        s.text(WeatherSample::absPres) = fixed(pressure, 1);
        s.text(WeatherSample::winds) = fixed(wind, 1);
        s.text(WeatherSample::windsLevel) = fixed(beaufort(wind), 0);
        s.text(WeatherSample::gust) = fixed(gust, 1);
        s.text(WeatherSample::gustLevel) = fixed(beaufort(gust), 0);
        s.text(WeatherSample::windDir) = fixed(direction, 0);
        s.text(WeatherSample::windDirDesc) = compass[static_cast<std::size_t>(direction)];
        s.text(WeatherSample::condition) = "0";
        s.text(WeatherSample::rain) = fixed(static_cast<double>(counter), 0);
        s.text(WeatherSample::rainMm) = fixed(static_cast<double>(counter) * 0.1, 1);
        s.text(WeatherSample::increment) = fixed(tenths * 0.1, 1);
        s.text(WeatherSample::hourRain) = fixed(hour.mm(), 1);
        s.text(WeatherSample::dayRain) = fixed(day.mm(), 1);
        s.text(WeatherSample::weekRain) = fixed(week.mm(), 1);
        s.text(WeatherSample::monthRain) = fixed(month.mm(), 1);
        s.text(WeatherSample::totalRain) = fixed(total, 1);
        for (int p = WeatherSample::windsError; p <= WeatherSample::totalRainOverflow; ++p) s.text(p) = "0";
        char address[16];
        std::snprintf(address, sizeof address, "%06X", static_cast<unsigned>(0x100 + (i % 4080) * 16));
        s.text(WeatherSample::hexAdd) = address;
        out << formatHistoryLine(s, false);
        ++lines;
        // Now and then a note of the user's.
        if (uniform(random) < 0.00002) {
            out << "# station moved to " << (uniform(random) < 0.5 ? "the garden" : "the roof") << "\r\n";
            ++lines;
        }
    }
    return lines;
}

} // namespace nimbrel::bench
