#include "outputs/output_reading.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace nimbrel {
namespace {

using P = WeatherSample::Position;

struct Source {
    int position;
    const char* name;
};

// Sample position of each quantity, in the order of outputQuantities().
constexpr Source kSources[] = {
    {P::indTemp, "indoor_temperature"},  {P::outTemp, "outdoor_temperature"}, {P::indHumi, "indoor_humidity"},
    {P::outHumi, "outdoor_humidity"},    {P::dewPoint, "dew_point"},          {P::windChill, "wind_chill"},
    {P::absPres, "absolute_pressure"},   {P::relPres, "relative_pressure"},   {P::winds, "wind_speed"},
    {P::gust, "wind_gust"},              {P::windDir, "wind_direction"},      {P::hourRain, "rain_hour"},
    {-1, "rain_today"},                  {P::dayRain, "rain_24h"},            {P::weekRain, "rain_7d"},
    {P::monthRain, "rain_30d"},          {P::totalRain, "rain_total"},
};

std::optional<double> numberOf(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || rest != end || text.empty()) return std::nullopt;
    return value;
}

} // namespace

const std::vector<OutputQuantity>& outputQuantities() {
    // Rain over a rolling window (an hour, 24 hours, 7 or 30 days) falls as well as rises, so it is a
    // measurement; the rain since midnight and the running total only grow until they start again,
    // which is what "total_increasing" means.
    static const std::vector<OutputQuantity> kQuantities = {
        {"indoor_temperature", "Indoor temperature", "°C", "temperature", "measurement"},
        {"outdoor_temperature", "Outdoor temperature", "°C", "temperature", "measurement"},
        {"indoor_humidity", "Indoor humidity", "%", "humidity", "measurement"},
        {"outdoor_humidity", "Outdoor humidity", "%", "humidity", "measurement"},
        {"dew_point", "Dew point", "°C", "temperature", "measurement"},
        {"wind_chill", "Wind chill", "°C", "temperature", "measurement"},
        {"absolute_pressure", "Absolute pressure", "hPa", "atmospheric_pressure", "measurement"},
        {"relative_pressure", "Relative pressure", "hPa", "atmospheric_pressure", "measurement"},
        {"wind_speed", "Wind speed", "m/s", "wind_speed", "measurement"},
        {"wind_gust", "Wind gust", "m/s", "wind_speed", "measurement"},
        {"wind_direction", "Wind direction", "°", "", "measurement"},
        {"rain_hour", "Rain last hour", "mm", "precipitation", "measurement"},
        {"rain_today", "Rain since midnight", "mm", "precipitation", "total_increasing"},
        {"rain_24h", "Rain last 24 hours", "mm", "precipitation", "measurement"},
        {"rain_7d", "Rain last 7 days", "mm", "precipitation", "measurement"},
        {"rain_30d", "Rain last 30 days", "mm", "precipitation", "measurement"},
        {"rain_total", "Rain total", "mm", "precipitation", "total_increasing"},
    };
    return kQuantities;
}

const OutputQuantity* outputQuantity(const std::string& name) {
    for (const OutputQuantity& q : outputQuantities())
        if (name == q.name) return &q;
    return nullptr;
}

OutputReading outputReadingOf(const WeatherSample& sample, std::time_t time, bool stored,
                              std::optional<double> rainSinceMidnightMm) {
    OutputReading reading;
    reading.time = time;
    reading.stored = stored;
    for (const Source& source : kSources) {
        if (source.position < 0) {
            // A sum of tenths of a millimetre, rounded back to them (0.1 + 0.2 is not 0.3 in binary).
            if (rainSinceMidnightMm)
                reading.values.push_back({source.name, std::round(*rainSinceMidnightMm * 10) / 10, false});
            continue;
        }
        const std::string& text = sample[source.position];
        std::optional<double> value = numberOf(text);
        if (!value) continue;
        const bool direction = source.position == P::windDir;
        if (direction) *value *= 22.5;
        const bool integral = text.find('.') == std::string::npos && (!direction || *value == static_cast<long long>(*value));
        reading.values.push_back({source.name, *value, integral});
    }
    return reading;
}

std::string utcText(std::time_t time, const char* pattern) {
    std::tm utc{};
    ::gmtime_r(&time, &utc);
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, pattern, &utc));
}

} // namespace nimbrel
