#include "usb/sim/weather_model.h"

#include <algorithm>
#include <cmath>

namespace nimbrel::sim {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kLocalOffset = 3600; // the sun follows central European time

int clampRound(double value, int low, int high) {
    return std::clamp(static_cast<int>(std::lround(value)), low, high);
}

} // namespace

WeatherModel::WeatherModel(std::uint64_t seed) : random_(seed ^ 0x5EA7E12ull) {
    frontOffset_ = random_.between(-40, 40);
    pressure_ = random_.between(10000, 10250);
    windDir_ = 2 * random_.between(0, 7);
}

Reading WeatherModel::next(double endTime, int minutes) {
    const double steps = std::max(1, minutes) / 5.0; // the walks below are tuned for 5-minute steps
    const double dayFraction = std::fmod(endTime + kLocalOffset, 86400.0) / 86400.0;
    const double daily = std::sin(2 * kPi * (dayFraction - 0.375)); // warmest at three in the afternoon

    frontOffset_ = std::clamp(frontOffset_ + random_.gauss() * 1.5 * std::sqrt(steps), -70.0, 70.0);
    pressureTrend_ = std::clamp(pressureTrend_ + random_.gauss() * 0.03 * std::sqrt(steps), -0.25, 0.25);
    pressure_ += (pressureTrend_ + (10130 - pressure_) * 0.0005) * steps;
    pressure_ = std::clamp(pressure_, 9750.0, 10450.0);

    if (showerLeft_ == 0 && random_.uniform() < 0.004 * steps) {
        showerLeft_ = random_.between(3, 24);
        showerRate_ = random_.between(1, 8);
    }
    const bool raining = showerLeft_ > 0;
    if (raining) {
        rainTotal_ += static_cast<std::uint64_t>(std::max(1, showerRate_ + random_.between(-1, 2)) * steps);
        --showerLeft_;
    }

    windBase_ =
        std::clamp(windBase_ + random_.gauss() * 3 * std::sqrt(steps) + (raining ? 1.5 : 0), 0.0, 140.0);
    if (random_.uniform() < 0.12 * steps) windDir_ = (windDir_ + (random_.between(0, 1) ? 2 : 14)) % 16;

    Reading r;
    r.outTemp =
        clampRound(80 + frontOffset_ + 60 * daily + random_.gauss() * 4 - (raining ? 25 : 0), -400, 800);
    r.indTemp = clampRound(210 + 12 * daily + random_.gauss() * 2, -400, 800);
    r.outHumi = clampRound(72 - (r.outTemp - 80) * 0.35 + random_.gauss() * 3 + (raining ? 18 : 0), 20, 99);
    r.indHumi = clampRound(46 + (r.outHumi - 70) * 0.15 + random_.gauss() * 1.5, 25, 70);
    r.absPres = clampRound(pressure_ + random_.gauss() * 0.7, 9000, 11000);
    r.winds = clampRound(windBase_ + random_.gauss() * 8, 0, 250);
    r.gust = std::min(500, r.winds + random_.between(0, 40) + (raining ? random_.between(0, 60) : 0));
    r.windDir = windDir_;
    r.condition = raining ? 3 : pressureTrend_ < -0.08 ? 2 : pressureTrend_ > 0.08 ? 0 : 1;
    r.rainTotal = rainTotal_;
    return r;
}

void WeatherModel::saveTo(StateWriter& out) const {
    out.u64(random_.state());
    out.f64(frontOffset_);
    out.f64(pressure_);
    out.f64(pressureTrend_);
    out.f64(windBase_);
    out.i32(windDir_);
    out.i32(showerLeft_);
    out.i32(showerRate_);
    out.u64(rainTotal_);
}

bool WeatherModel::restoreFrom(StateReader& in) {
    WeatherModel m(0);
    const std::uint64_t randomState = in.u64();
    m.random_.setState(randomState);
    m.frontOffset_ = in.f64();
    m.pressure_ = in.f64();
    m.pressureTrend_ = in.f64();
    m.windBase_ = in.f64();
    m.windDir_ = in.i32();
    m.showerLeft_ = in.i32();
    m.showerRate_ = in.i32();
    m.rainTotal_ = in.u64();
    const bool sensible = in.ok() && randomState != 0 && std::isfinite(m.frontOffset_) &&
                          std::isfinite(m.pressure_) && std::isfinite(m.pressureTrend_) &&
                          std::isfinite(m.windBase_) && m.windDir_ >= 0 && m.windDir_ < 16 &&
                          m.showerLeft_ >= 0 && m.showerLeft_ <= 24 && m.showerRate_ >= 0 && m.showerRate_ <= 8;
    if (!sensible) return false;
    *this = m;
    return true;
}

} // namespace nimbrel::sim
