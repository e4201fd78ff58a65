#include "usb/sim/sim_station.h"

#include "usb/sim/fixed_block.h"
#include "usb/sim/sim_config.h"
#include "usb/sim/sim_random.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace nimbrel::sim {
namespace {

constexpr unsigned kCountAt = 0x1B;
constexpr unsigned kNewestAt = 0x1E;
constexpr unsigned kUpdateFlagAt = 0x1A;
constexpr std::uint8_t kLoadDefaults = 0x55;

Reading blend(const Reading& from, const Reading& to, double f) {
    auto mix = [f](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * f)); };
    Reading r = to;
    r.indHumi = mix(from.indHumi, to.indHumi);
    r.indTemp = mix(from.indTemp, to.indTemp);
    r.outHumi = mix(from.outHumi, to.outHumi);
    r.outTemp = mix(from.outTemp, to.outTemp);
    r.absPres = mix(from.absPres, to.absPres);
    r.winds = mix(from.winds, to.winds);
    r.gust = std::max(r.winds, mix(from.gust, to.gust));
    r.windDir = f < 0.5 ? from.windDir : to.windDir;
    r.rainTotal =
        from.rainTotal + static_cast<std::uint64_t>(std::floor((to.rainTotal - from.rainTotal) * f));
    return r;
}

} // namespace

// Every station of one seed tells one story: its ring is laid out at a fixed moment and then lived forward
// to `start`, so programs started one after the other (a `sync` now, another in an hour) meet the same
// records at the same addresses and times, as they would on a real station. A start before that moment
// lays the ring out at the start itself.
constexpr double kHistoryOrigin = 1'700'000'000; // 2023-11-14 22:13 UTC

SimStation::SimStation(std::uint64_t seed, double start) : SimStation(seed, std::min(start, kHistoryOrigin), 0) {
    advanceTo(start);
}

SimStation::SimStation(std::uint64_t seed, double start, int) : model_(seed), now_(start) {
    writeOwnerSettings(memory_);
    currentInterval_ = intervalSetting();
    const double step = currentInterval_ * 60.0;
    currentStart_ = std::floor(start / step) * step;

    SimRandom placement(seed ^ 0xA11CE5ull);
    const unsigned currentSlot = kFirstSlot + 16 * static_cast<unsigned>(placement.between(1500, 2500));

    // Readings oldest first: kMaxCompleted completed records, then the one being filled.
    std::vector<Reading> readings;
    std::vector<double> ends;
    for (unsigned k = 0; k <= kMaxCompleted; ++k) {
        ends.push_back(currentStart_ - (static_cast<double>(kMaxCompleted) - 1 - k) * step);
        readings.push_back(model_.next(ends.back(), currentInterval_));
    }

    // The counter wraps at the rainy record nearest the middle of the ring.
    int wrapAt = -1;
    for (int k = 1; k < static_cast<int>(kMaxCompleted); ++k) {
        if (readings[k].rainTotal > readings[k - 1].rainTotal &&
            (wrapAt < 0 || std::abs(k - 2040) < std::abs(wrapAt - 2040)))
            wrapAt = k;
    }
    if (wrapAt < 0) { // a dry fortnight: let a little rain fall at the middle
        wrapAt = 2040;
        for (unsigned k = 2040; k < readings.size(); ++k) readings[k].rainTotal += 5;
        model_.addRain(5);
    }
    rainOffset_ = 0x10000 - readings[wrapAt].rainTotal % 0x10000;

    unsigned slot = currentSlot;
    for (unsigned back = 1; back <= kMaxCompleted; ++back) {
        slot = previousSlot(slot);
        const RecordBytes bytes = encodeRecord(readings[kMaxCompleted - back], currentInterval_, rainOffset_);
        std::copy(bytes.begin(), bytes.end(), memory_.begin() + slot);
    }
    putU16(memory_, kCountAt, kMaxCompleted);
    putU16(memory_, kNewestAt, currentSlot);

    for (unsigned k = 0; k < kMaxCompleted; ++k) updateMinMax(memory_, readings[k], ends[k], k == 0);
    // Rain maxima over the hour, day and week windows of the ring; the month and the station's total.
    const unsigned perHour = std::max(1, 60 / currentInterval_);
    const unsigned windows[] = {perHour, 24 * perHour, 7 * 24 * perHour};
    for (int which = 0; which < 3; ++which) {
        std::uint64_t best = 0;
        unsigned bestAt = kMaxCompleted - 1;
        for (unsigned k = 1; k < kMaxCompleted; ++k) {
            const std::uint64_t sum =
                readings[k].rainTotal - readings[k > windows[which] ? k - windows[which] : 0].rainTotal;
            if (sum > best) best = sum, bestAt = k;
        }
        writeRainMaximum(memory_, which, static_cast<std::uint32_t>(std::min<std::uint64_t>(best, 0xFFFF)),
                         ends[bestAt]);
    }
    const Reading& newest = readings[kMaxCompleted - 1];
    writeRainMaximum(memory_, 3, static_cast<std::uint32_t>(newest.rainTotal - readings[0].rainTotal),
                     ends[kMaxCompleted - 1]);
    writeRainMaximum(memory_, 4, static_cast<std::uint32_t>((newest.rainTotal + rainOffset_) & 0xFFFFF),
                     ends[kMaxCompleted - 1]);

    previous_ = newest;
    target_ = readings[kMaxCompleted];
    refreshCurrentRecord();
}

int SimStation::intervalSetting() const {
    const int minutes = memory_[0x10];
    return minutes >= 1 && minutes <= 240 ? minutes : 5;
}

unsigned SimStation::currentAddress() const {
    const unsigned address = getU16(memory_, kNewestAt);
    return address >= kFirstSlot && address % 16 == 0 ? address : kFirstSlot;
}

void SimStation::advanceTo(double now) {
    if (now > now_) now_ = now;
    while (now_ >= currentStart_ + currentInterval_ * 60.0) completeCurrentRecord();
    refreshCurrentRecord();
}

void SimStation::completeCurrentRecord() {
    const unsigned address = currentAddress();
    const double end = currentStart_ + currentInterval_ * 60.0;
    const RecordBytes bytes = encodeRecord(target_, currentInterval_, rainOffset_);
    std::copy(bytes.begin(), bytes.end(), memory_.begin() + address);
    updateMinMax(memory_, target_, end, false);
    putU16(memory_, kCountAt, std::min(getU16(memory_, kCountAt) + 1, kMaxCompleted));
    putU16(memory_, kNewestAt, nextSlot(address));

    previous_ = target_;
    currentStart_ = end;
    currentInterval_ = intervalSetting();
    target_ = model_.next(currentStart_ + currentInterval_ * 60.0, currentInterval_);
}

void SimStation::refreshCurrentRecord() {
    const double f = std::clamp((now_ - currentStart_) / (currentInterval_ * 60.0), 0.0, 1.0);
    const Reading current = blend(previous_, target_, f);
    const RecordBytes bytes = encodeRecord(current, currentInterval_, rainOffset_);
    std::copy(bytes.begin(), bytes.end(), memory_.begin() + currentAddress());
    writeCurrentPressures(memory_, current.absPres);
}

void SimStation::read(unsigned address, std::uint8_t* out, int length) const {
    for (int i = 0; i < length; ++i) out[i] = memory_[(address + static_cast<unsigned>(i)) & 0xFFFF];
}

void SimStation::writeBlock(unsigned address, const std::uint8_t* data, int length) {
    for (int i = 0; i < length; ++i) {
        const unsigned at = (address + static_cast<unsigned>(i)) & 0xFFFF;
        if (at == kNewestAt || at == kNewestAt + 1) continue;
        memory_[at] = data[i];
    }
    applyUpdateRequest();
}

void SimStation::writeByte(unsigned address, std::uint8_t value) {
    writeBlock(address, &value, 1);
}

void SimStation::applyUpdateRequest() {
    if (memory_[kUpdateFlagAt] != kLoadDefaults) return;
    loadStationDefaults(memory_);
    refreshCurrentRecord();
}

namespace {

void saveReading(StateWriter& out, const Reading& r) {
    for (int value : {r.indHumi, r.indTemp, r.outHumi, r.outTemp, r.absPres, r.winds, r.gust, r.windDir,
                      r.condition})
        out.i32(value);
    out.u64(r.rainTotal);
}

Reading restoreReading(StateReader& in) {
    Reading r;
    for (int* value : {&r.indHumi, &r.indTemp, &r.outHumi, &r.outTemp, &r.absPres, &r.winds, &r.gust,
                       &r.windDir, &r.condition})
        *value = in.i32();
    r.rainTotal = in.u64();
    return r;
}

} // namespace

void SimStation::saveTo(StateWriter& out) const {
    out.f64(now_);
    out.f64(currentStart_);
    out.i32(currentInterval_);
    out.u64(rainOffset_);
    saveReading(out, previous_);
    saveReading(out, target_);
    model_.saveTo(out);
    out.raw(memory_.data(), memory_.size());
}

bool SimStation::restoreFrom(StateReader& in) {
    const double now = in.f64();
    const double currentStart = in.f64();
    const int interval = in.i32();
    const std::uint64_t rainOffset = in.u64();
    const Reading previous = restoreReading(in);
    const Reading target = restoreReading(in);
    WeatherModel model = model_;
    if (!model.restoreFrom(in)) return false;
    auto memory = std::make_unique<Memory>();
    in.raw(memory->data(), memory->size());
    // The record being filled began at most one interval ago, or catching up would never end.
    const bool sensible = in.ok() && in.left() == 0 && std::isfinite(now) && now >= 0 &&
                          now <= kLatestSimTime && interval >= 1 && interval <= 240 &&
                          std::isfinite(currentStart) && currentStart <= now &&
                          now - currentStart <= interval * 60.0 && previous.windDir >= 0 &&
                          previous.windDir < 16 && target.windDir >= 0 && target.windDir < 16;
    if (!sensible) return false;
    now_ = now;
    currentStart_ = currentStart;
    currentInterval_ = interval;
    rainOffset_ = rainOffset;
    previous_ = previous;
    target_ = target;
    model_ = model;
    memory_ = *memory;
    return true;
}

void SimStation::poke(unsigned address, const std::uint8_t* data, int length) {
    for (int i = 0; i < length; ++i) memory_[(address + static_cast<unsigned>(i)) & 0xFFFF] = data[i];
}

} // namespace nimbrel::sim
