#include "presentation/record_builders.h"

#include "presentation/derived_values.h"
#include "presentation/formatting.h"

#include <string>

namespace nimbrel {

namespace {

using P = WeatherSample::Position;

// The time the station writes for an extreme that was never recorded.
constexpr std::string_view kNeverSet = "2000-00-00 00:00";

} // namespace

UnitSelection unitSelectionOf(const StationSettings& settings) {
    UnitSelection units;
    units.indoorTemperature = settings.indTempUnit;
    units.outdoorTemperature = settings.outTempUnit;
    units.rain = settings.rainUnit;
    units.pressure = settings.presUnit;
    units.wind = settings.windUnit;
    units.dateFormat = settings.formats.dateFormatIndex;
    units.timeFormat = settings.formats.clockFormatIndex;
    return units;
}

void normaliseSample(WeatherSample& sample, const StationSettings&, const AlarmThresholds& alarms) {
    if (sample[P::rainError] == "1") sample[P::totalRain].clear();
    computeSampleValues(sample, alarms);

    // The Beaufort levels come from the wind readings in tenths, before the speeds are rewritten.
    const std::string windTenths = sample[P::winds];
    const std::string gustTenths = sample[P::gust];
    const std::string directionCode = sample[P::windDir];
    const std::string conditionCode = sample[P::condition];

    sample[P::indHumi] = humidityText(sample[P::indHumi], 1.0f, unit::percent);
    sample[P::indTemp] = temperatureText(sample[P::indTemp], 0.1f, unit::celsius);
    sample[P::outHumi] = humidityText(sample[P::outHumi], 1.0f, unit::percent);
    sample[P::outTemp] = temperatureText(sample[P::outTemp], 0.1f, unit::celsius);
    sample[P::absPres] = pressureText(sample[P::absPres], 0.1f, unit::hpa);
    sample[P::winds] = windSpeedText(windTenths, 0.1f, unit::metresPerSecond);
    sample[P::gust] = windSpeedText(gustTenths, 0.1f, unit::metresPerSecond);
    sample[P::windDir] = windDirectionCodeText(directionCode);
    sample[P::windDirDesc] = windDirectionNameText(directionCode);
    sample[P::condition] = windDirectionCodeText(conditionCode);
    sample[P::conditionDesc] = windDirectionNameText(conditionCode);
    sample[P::totalRain] = rainText(sample[P::totalRain], 1.0f, unit::mm);
    sample[P::relPres] = pressureText(sample[P::relPres], 1.0f, unit::hpa);
    sample[P::dewPoint] = temperatureText(sample[P::dewPoint], 1.0f, unit::celsius);
    sample[P::windChill] = temperatureText(sample[P::windChill], 1.0f, unit::celsius);
    for (int p = P::hourRain; p <= P::monthRain; ++p) sample[p] = rainText(sample[p], 1.0f, unit::mm);
    sample[P::windsLevel] = windSpeedText(windTenths, 0.1f, unit::metresPerSecond, unit::beaufort);
    sample[P::gustLevel] = windSpeedText(gustTenths, 0.1f, unit::metresPerSecond, unit::beaufort);
}

void sampleForDisplay(WeatherSample& sample, const StationSettings& settings) {
    sampleForDisplay(sample, unitSelectionOf(settings));
}

void sampleForDisplay(WeatherSample& sample, const UnitSelection& units) {
    // A history listing rewrites thousands of records: the units are resolved once per record and
    // every field is rewritten in place.
    const TemperatureUnit indoor = temperatureUnitOf(units.indoorTemperature);
    const TemperatureUnit outdoor = temperatureUnitOf(units.outdoorTemperature);
    const PressureUnit pressure = pressureUnitOf(units.pressure);
    const SpeedUnit wind = speedUnitOf(units.wind);
    const RainUnit rain = rainUnitOf(units.rain);
    for (int p : {P::indHumi, P::outHumi}) writeHumidityText(sample[p], sample[p], 1.0f);
    writeTemperatureText(sample[P::indTemp], sample[P::indTemp], 1.0f, TemperatureUnit::celsius, indoor);
    for (int p : {P::outTemp, P::dewPoint, P::windChill})
        writeTemperatureText(sample[p], sample[p], 1.0f, TemperatureUnit::celsius, outdoor);
    for (int p : {P::absPres, P::relPres})
        writePressureText(sample[p], sample[p], 1.0f, PressureUnit::hpa, pressure);
    for (int p : {P::winds, P::gust})
        writeWindSpeedText(sample[p], sample[p], 1.0f, SpeedUnit::metresPerSecond, wind);
    // The names first: they are read from the codes that the next lines rewrite.
    writeWindDirectionNameText(sample[P::windDirDesc], sample[P::windDir]);
    writeWindDirectionCodeText(sample[P::windDir], sample[P::windDir]);
    writeWindDirectionNameText(sample[P::conditionDesc], sample[P::condition]);
    writeWindDirectionCodeText(sample[P::condition], sample[P::condition]);
    for (int p : {P::totalRain, P::hourRain, P::dayRain, P::weekRain, P::monthRain})
        writeRainText(sample[p], sample[p], 1.0f, RainUnit::mm, rain);
}

void thresholdsForDisplay(AlarmThresholds& a, const StationSettings& settings) {
    const std::string& indoor = settings.indTempUnit;
    const std::string& outdoor = settings.outTempUnit;
    const std::string& pressure = settings.presUnit;
    const std::string& wind = settings.windUnit;
    const std::string& rain = settings.rainUnit;
    const float pressureScale = pressure == unit::inHg ? 0.01f : 0.1f;
    const float rainScale = rain == unit::inch ? 0.01f : 0.1f;

    // The current pressures are hPa tenths; only their decimals follow the selected unit.
    for (std::string* t : {&a.relPres, &a.absPres}) *t = pressureText(*t, 0.1f, pressure, pressure);
    for (std::string* t : {&a.indHumiHighAlarm, &a.indHumiLowAlarm, &a.outHumiHighAlarm, &a.outHumiLowAlarm})
        *t = humidityText(*t, 1.0f, unit::percent, unit::percent);
    for (std::string* t : {&a.indTempHighAlarm, &a.indTempLowAlarm})
        *t = temperatureText(*t, 0.1f, indoor, indoor);
    for (std::string* t : {&a.outTempHighAlarm, &a.outTempLowAlarm, &a.windchillHighAlarm,
                           &a.windchillLowAlarm, &a.dewpointHighAlarm, &a.dewpointLowAlarm})
        *t = temperatureText(*t, 0.1f, outdoor, outdoor);
    for (std::string* t : {&a.absPresHighAlarm, &a.absPresLowAlarm, &a.relPresHighAlarm, &a.relPresLowAlarm})
        *t = pressureText(*t, pressureScale, pressure, pressure);
    for (std::string* t : {&a.windAlarm, &a.gustAlarm}) *t = windSpeedText(*t, 0.1f, wind, wind);
    for (std::string* t : {&a.hourRainAlarm, &a.dayRainAlarm}) *t = rainText(*t, rainScale, rain, rain);
}

void minMaxForDisplay(MinMaxTable& m, const StationSettings& settings) {
    for (MinMaxEntry* e : {&m.indHumiMax, &m.indHumiMin, &m.outHumiMax, &m.outHumiMin})
        e->value = humidityText(e->value, 1.0f, unit::percent, unit::percent);
    for (MinMaxEntry* e : {&m.indTempMax, &m.indTempMin})
        e->value = temperatureText(e->value, 0.1f, unit::celsius, settings.indTempUnit);
    for (MinMaxEntry* e :
         {&m.outTempMax, &m.outTempMin, &m.windchillMax, &m.windchillMin, &m.dewpointMax, &m.dewpointMin})
        e->value = temperatureText(e->value, 0.1f, unit::celsius, settings.outTempUnit);
    for (MinMaxEntry* e : {&m.absPresMax, &m.absPresMin, &m.relPresMax, &m.relPresMin})
        e->value = pressureText(e->value, 0.1f, unit::hpa, settings.presUnit);
    for (MinMaxEntry* e : {&m.windMax, &m.gustMax})
        e->value = windSpeedText(e->value, 0.1f, unit::metresPerSecond, settings.windUnit);
    for (MinMaxEntry* e : {&m.hourRainMax, &m.dayRainMax, &m.weekRainMax, &m.monthRainMax, &m.totalRainMax})
        e->value = rainText(e->value, 0.1f, unit::mm, settings.rainUnit);

    for (const MinMaxFieldInfo& field : minMaxFields()) {
        MinMaxEntry& e = m.*(field.entry);
        if (e.time == kNeverSet) e.time = kNoValueText;
    }
}

} // namespace nimbrel
