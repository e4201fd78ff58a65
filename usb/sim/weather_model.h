// WeatherModel: the weather that the simulated station measures, one history interval at a time.
#pragma once

#include "usb/sim/sim_random.h"
#include "usb/sim/sim_state.h"

#include <cstdint>

namespace nimbrel::sim {

// One interval's readings in the station's raw units: 0.1 °C, 1 %, 0.1 hPa, 0.1 m/s, direction code 0-15
// and the rain counter in 0.1 mm, here not yet wrapped (the station keeps only its low 16 bits).
struct Reading {
    int indHumi = 45;
    int indTemp = 210;
    int outHumi = 70;
    int outTemp = 80;
    int absPres = 10130;
    int winds = 0;
    int gust = 0;
    int windDir = 0;
    int condition = 0;
    std::uint64_t rainTotal = 0;
};

// A mild, changeable fortnight: a daily temperature cycle, humidity that falls as it warms, pressure that
// drifts with weather fronts, gusty wind from a slowly turning direction, and showers now and then.
// Every value stays inside what a history record may validly hold.
class WeatherModel {
public:
    explicit WeatherModel(std::uint64_t seed);

    // The readings of the interval of `minutes` minutes that ends at `endTime` (seconds since the epoch).
    Reading next(double endTime, int minutes);

    // Adds rain to the counter from now on (used to make sure a shower falls where it is needed).
    void addRain(std::uint64_t counts) { rainTotal_ += counts; }

    // The weather to come, saved and taken back: a model restored from what saveTo wrote goes on with the
    // same readings. restoreFrom leaves the model as it was when the bytes do not read or make no sense.
    void saveTo(StateWriter& out) const;
    bool restoreFrom(StateReader& in);

private:
    SimRandom random_;
    double frontOffset_ = 0; // 0.1 °C: warmer or colder air mass
    double pressure_ = 10130;
    double pressureTrend_ = 0;
    double windBase_ = 25;
    int windDir_ = 8;
    int showerLeft_ = 0;
    int showerRate_ = 0;
    std::uint64_t rainTotal_ = 0;
};

} // namespace nimbrel::sim
