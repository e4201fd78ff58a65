#include "app/climate_summary.h"

#include <cmath>
#include <map>

namespace nimbrel {

namespace {

// Degree days start below or above 65 °F, or 18.3 °C.
double degreeDayBase(const UnitSelection& units) {
    return temperatureUnitOf(units.outdoorTemperature) == TemperatureUnit::fahrenheit ? 65.0 : 18.3;
}

double metresPerRunUnit(const UnitSelection& units) {
    switch (speedUnitOf(units.wind)) {
    case SpeedUnit::milesPerHour: return 1609.344;
    case SpeedUnit::knot: return 1852.0;
    default: return 1000.0;
    }
}

// The value rounded as it is shown, so that a day shown with 0.2 mm counts as a day of 0.2 mm.
double asShown(double value, int decimals) {
    const double scale = decimals >= 2 ? 100.0 : decimals == 1 ? 10.0 : 1.0;
    return std::round(value * scale) / scale;
}

// Converters of base-unit values into the user's units.
struct Converters {
    const UnitSelection& units;
    double temperature(double c) const { return fromCelsius(static_cast<float>(c), 1.0f, units.outdoorTemperature); }
    double pressure(double hpa) const { return fromHpa(static_cast<float>(hpa), 1.0f, units.pressure); }
    double rain(double mm) const { return fromMillimetres(static_cast<float>(mm), 1.0f, units.rain); }
    double wind(double ms) const { return fromMetresPerSecond(static_cast<float>(ms), 1.0f, units.wind); }
    Extreme convert(Extreme e, double (Converters::*to)(double) const) const {
        if (e.known()) e.value = (this->*to)(e.value);
        return e;
    }
};

std::string periodOf(std::string_view date, SummaryBy by) {
    switch (by) {
    case SummaryBy::month: return std::string(date.substr(0, 7));
    case SummaryBy::year: return std::string(date.substr(0, 4));
    case SummaryBy::day: break;
    }
    return std::string(date);
}

// Sums of one period in base units, and the per-day values in the user's units that it adds up.
struct PeriodSums {
    SummaryRow row;
    ClimateDay total; // the records' sums and extremes over all days
    double dailyMeanSum = 0.0;
    int daysWithMean = 0;
};

} // namespace

std::array<double, 3> rainDayThresholds(const UnitSelection& units) {
    if (rainUnitOf(units.rain) == RainUnit::inch) return {0.01, 0.1, 1.0};
    return {0.2, 2.0, 20.0};
}

std::string_view windRunUnit(const UnitSelection& units) {
    switch (speedUnitOf(units.wind)) {
    case SpeedUnit::milesPerHour: return "mi";
    case SpeedUnit::knot: return "NM";
    default: return "km";
    }
}

int rainDecimals(const UnitSelection& units) {
    return rainUnitOf(units.rain) == RainUnit::inch ? 2 : 1;
}

std::vector<SummaryRow> summarize(const std::vector<ClimateDay>& days, SummaryBy by, const UnitSelection& units,
                                  const std::string& from, const std::string& to) {
    const Converters c{units};
    const double base = degreeDayBase(units);
    const auto thresholds = rainDayThresholds(units);
    const int rainShown = rainDecimals(units);

    std::map<std::string, PeriodSums> periods;
    for (const ClimateDay& d : days) {
        if ((!from.empty() && d.date.view() < from) || (!to.empty() && d.date.view() > to)) continue;
        PeriodSums& p = periods[periodOf(d.date.view(), by)];
        p.total.add(d);

        SummaryRow& r = p.row;
        if (d.hasTemperature()) {
            // Degree days in the user's unit, from the unrounded mean, summed unrounded.
            const double mean = c.temperature(d.tempMean());
            r.heatingDegreeDays += std::max(0.0, base - mean);
            r.coolingDegreeDays += std::max(0.0, mean - base);
            p.dailyMeanSum += mean;
            ++p.daysWithMean;
        }
        const double rain = c.rain(d.rain);
        r.rainDayHigh.takeHigh(rain, d.date.view());
        for (std::size_t i = 0; i < thresholds.size(); ++i)
            if (asShown(rain, rainShown) >= thresholds[i] - 1e-9) ++r.rainDays[i];
    }

    std::vector<SummaryRow> rows;
    rows.reserve(periods.size());
    for (auto& [period, p] : periods) {
        SummaryRow& r = p.row;
        const ClimateDay& t = p.total;
        r.period = period;
        r.records = t.records;
        if (p.daysWithMean > 0) r.tempMean = p.dailyMeanSum / p.daysWithMean;
        r.tempHigh = c.convert(t.tempHigh, &Converters::temperature);
        r.tempLow = c.convert(t.tempLow, &Converters::temperature);
        r.humHigh = t.humHigh;
        r.humLow = t.humLow;
        r.presHigh = c.convert(t.presHigh, &Converters::pressure);
        r.presLow = c.convert(t.presLow, &Converters::pressure);
        r.dewHigh = c.convert(t.dewHigh, &Converters::temperature);
        r.dewLow = c.convert(t.dewLow, &Converters::temperature);
        r.chillLow = c.convert(t.chillLow, &Converters::temperature);
        r.rain = c.rain(t.rain);
        r.hourRainHigh = c.convert(t.hourRainHigh, &Converters::rain);
        if (t.windCount > 0) r.windMean = c.wind(t.windSum / static_cast<double>(t.windCount));
        r.windHigh = c.convert(t.windHigh, &Converters::wind);
        r.gustHigh = c.convert(t.gustHigh, &Converters::wind);
        r.gustDirCode = t.gustDirCode;
        r.windRun = t.windRunMetres / metresPerRunUnit(units);
        r.dominantDirCode = t.wind.dominantCode();
        rows.push_back(std::move(r));
    }
    return rows;
}

ClimateRecords climateRecords(const std::vector<ClimateDay>& days, const UnitSelection& units, int month) {
    const Converters c{units};
    ClimateDay all; // the extremes of every matching day
    Extreme meanHigh, meanLow, dayRain;
    std::map<std::string, double> monthRain;
    for (const ClimateDay& d : days) {
        const std::string_view date = d.date.view();
        if (month != 0 && (date[5] - '0') * 10 + (date[6] - '0') != month) continue;
        all.add(d);
        if (d.hasTemperature()) meanHigh.takeHigh(d.tempMean(), date), meanLow.takeLow(d.tempMean(), date);
        dayRain.takeHigh(d.rain, date);
        monthRain[std::string(date.substr(0, 7))] += d.rain;
    }
    Extreme monthRainHigh;
    for (const auto& [m, rain] : monthRain) monthRainHigh.takeHigh(rain, m);

    auto record = [&](const Extreme& e, double (Converters::*to)(double) const) {
        return e.known() ? ClimateRecord{(c.*to)(e.value), e.time()} : ClimateRecord{};
    };
    auto same = [](const Extreme& e) { return e.known() ? ClimateRecord{e.value, e.time()} : ClimateRecord{}; };
    using C = Converters;
    ClimateRecords r;
    r.tempHigh = record(all.tempHigh, &C::temperature);
    r.tempLow = record(all.tempLow, &C::temperature);
    r.meanHigh = record(meanHigh, &C::temperature);
    r.meanLow = record(meanLow, &C::temperature);
    r.gustHigh = record(all.gustHigh, &C::wind);
    r.windHigh = record(all.windHigh, &C::wind);
    r.hourRainHigh = record(all.hourRainHigh, &C::rain);
    r.dayRainHigh = record(dayRain, &C::rain);
    r.monthRainHigh = record(monthRainHigh, &C::rain);
    r.presHigh = record(all.presHigh, &C::pressure);
    r.presLow = record(all.presLow, &C::pressure);
    r.humHigh = same(all.humHigh);
    r.humLow = same(all.humLow);
    r.dewHigh = record(all.dewHigh, &C::temperature);
    r.chillLow = record(all.chillLow, &C::temperature);
    return r;
}

} // namespace nimbrel
