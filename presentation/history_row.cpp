#include "presentation/history_row.h"

#include "presentation/decimal_text.h"
#include "presentation/formatting.h"

namespace nimbrel {

namespace {
using P = WeatherSample::Position;
} // namespace

HistoryRowBuilder::HistoryRowBuilder(const UnitSelection& units)
    : indoor_(temperatureUnitOf(units.indoorTemperature)),
      outdoor_(temperatureUnitOf(units.outdoorTemperature)),
      pressure_(pressureUnitOf(units.pressure)),
      wind_(speedUnitOf(units.wind)),
      rain_(rainUnitOf(units.rain)),
      time_(units.dateFormat, units.timeFormat) {}

void HistoryRowBuilder::cell(std::string& out, int column, const WeatherSample& r, std::size_t row) {
    // Stored texts are in the base units: °C, %, Hpa, m/s and mm.
    const auto temperature = [&](int p, TemperatureUnit to) {
        writeTemperatureText(out, r[p], 1.0f, TemperatureUnit::celsius, to);
    };
    const auto pressure = [&](int p) { writePressureText(out, r[p], 1.0f, PressureUnit::hpa, pressure_); };
    const auto wind = [&](int p) { writeWindSpeedText(out, r[p], 1.0f, SpeedUnit::metresPerSecond, wind_); };
    const auto rain = [&](int p) { writeRainText(out, r[p], 1.0f, RainUnit::mm, rain_); };
    const auto stored = [&](int p) { assignText(out, r[p]); };
    switch (column) {
    case 0: return writeIntegerText(out, static_cast<long long>(row) + 1);
    case 1: out = time_.text(r[P::sampleTime]); return;
    case 2: return stored(P::sampleCircle);
    case 3: return stored(P::indHumi);
    case 4: return temperature(P::indTemp, indoor_);
    case 5: return stored(P::outHumi);
    case 6: return temperature(P::outTemp, outdoor_);
    case 7: return pressure(P::absPres);
    case 8: return wind(P::winds);
    case 9: return wind(P::gust);
    case 10: return stored(P::windDirDesc);
    case 11: return pressure(P::relPres);
    case 12: return temperature(P::dewPoint, outdoor_);
    case 13: return temperature(P::windChill, outdoor_);
    case 14: return rain(P::hourRain);
    case 15: return rain(P::dayRain);
    case 16: return rain(P::weekRain);
    case 17: return rain(P::monthRain);
    case 18: return rain(P::totalRain);
    case 19: return stored(P::windsLevel);
    case 20: return stored(P::gustLevel);
    case 21: return stored(P::windDir);
    case 22: return stored(P::condition);
    case 23: return stored(P::rain);
    // The rain counter and the interval's rain are stored in mm like the totals and shown in the
    // user's rain unit too.
    case 24: return rain(P::rainMm);
    case 25: return rain(P::increment);
    case 34: return stored(P::saveTime);
    default:
        // flag1..flag8: the four unused flags, then the station's four error bits.
        if (column >= 26 && column <= 33) return stored(P::f1 + (column - 26));
        out.clear();
    }
}

void HistoryRowBuilder::cells(std::array<std::string, kHistoryGridColumns>& out, const WeatherSample& record,
                              std::size_t row) {
    for (int c = 0; c < kHistoryGridColumns; ++c) cell(out[static_cast<std::size_t>(c)], c, record, row);
}

} // namespace nimbrel
