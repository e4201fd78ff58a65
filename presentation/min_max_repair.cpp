#include "presentation/min_max_repair.h"

#include "presentation/decimal_text.h"
#include "presentation/units.h"

#include <string>

namespace nimbrel {

namespace {

using P = WeatherSample::Position;

struct Limits {
    double low;
    double high;
};

enum class SampleCondition { none, positive };

// Every value is compared as the integer its text reads as.
double valueOf(const std::string& text) {
    return static_cast<double>(integerValue(text));
}

class Repair {
public:
    Repair(MinMaxTable& table, const WeatherSample& sample) : table_(table), sample_(sample) {}

    // One row of the table: the maximum first, then the minimum, which is also replaced when it lies
    // above the (possibly just replaced) maximum.
    void pair(MinMaxEntry MinMaxTable::*max, MinMaxEntry MinMaxTable::*min, int samplePos, Limits limits,
              SampleCondition condition) {
        single(max, samplePos, limits, condition);
        MinMaxEntry& low = table_.*min;
        if (low.value.empty()) return;
        const double v = valueOf(low.value);
        const bool implausible = v < limits.low || v > limits.high || valueOf((table_.*max).value) < v;
        if (implausible && sampleAllows(samplePos, condition)) take(low, samplePos);
    }

    void single(MinMaxEntry MinMaxTable::*entry, int samplePos, Limits limits, SampleCondition condition) {
        MinMaxEntry& e = table_.*entry;
        if (e.value.empty()) return;
        const double v = valueOf(e.value);
        if ((v < limits.low || v > limits.high) && sampleAllows(samplePos, condition)) take(e, samplePos);
    }

private:
    bool sampleAllows(int samplePos, SampleCondition condition) const {
        return condition == SampleCondition::none || valueOf(sample_[samplePos]) > 0;
    }

    // The table's own time form is "20YY-MM-DD hh:mm".
    void take(MinMaxEntry& e, int samplePos) {
        e.value = sample_[samplePos];
        e.time = sample_[P::sampleTime].substr(0, 16);
    }

    MinMaxTable& table_;
    const WeatherSample& sample_;
};

Limits temperatureLimits(const std::string& unitText) {
    return {fromCelsius(-40.0f, 1.0f, unitText), fromCelsius(60.0f, 1.0f, unitText)};
}

} // namespace

void repairMinMax(MinMaxTable& m, const StationSettings& settings, const WeatherSample& sample) {
    using T = MinMaxTable;
    constexpr auto none = SampleCondition::none;
    constexpr auto positive = SampleCondition::positive;
    Repair r(m, sample);

    const Limits humidity{1, 99};
    r.pair(&T::indHumiMax, &T::indHumiMin, P::indHumi, humidity, positive);
    r.pair(&T::outHumiMax, &T::outHumiMin, P::outHumi, humidity, positive);

    r.pair(&T::indTempMax, &T::indTempMin, P::indTemp, temperatureLimits(settings.indTempUnit), none);
    const Limits outdoor = temperatureLimits(settings.outTempUnit);
    r.pair(&T::outTempMax, &T::outTempMin, P::outTemp, outdoor, none);
    // Wind chill and dew point may go further than the air temperature: twice the outdoor limits.
    const Limits derived{outdoor.low * 2, outdoor.high * 2};
    r.pair(&T::windchillMax, &T::windchillMin, P::windChill, derived, none);
    r.pair(&T::dewpointMax, &T::dewpointMin, P::dewPoint, derived, none);

    const Limits pressure{fromHpa(500.0f, 1.0f, settings.presUnit),
                          fromHpa(1100.0f, 1.0f, settings.presUnit)};
    r.pair(&T::absPresMax, &T::absPresMin, P::absPres, pressure, positive);
    r.pair(&T::relPresMax, &T::relPresMin, P::relPres, pressure, positive);

    const Limits speed{fromMetresPerSecond(0.0f, 1.0f, settings.windUnit),
                       fromMetresPerSecond(500.0f, 1.0f, settings.windUnit)};
    r.single(&T::windMax, P::winds, speed, positive);
    r.single(&T::gustMax, P::gust, speed, positive);

    const Limits shortRain{1, 65534};
    r.single(&T::hourRainMax, P::hourRain, shortRain, positive);
    r.single(&T::dayRainMax, P::dayRain, shortRain, positive);
    r.single(&T::weekRainMax, P::weekRain, shortRain, positive);
    const Limits longRain{1, 1048574};
    r.single(&T::monthRainMax, P::monthRain, longRain, positive);
    r.single(&T::totalRainMax, P::totalRain, longRain, positive);
}

} // namespace nimbrel
