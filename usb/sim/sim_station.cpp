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
constexpr std::uint8_t kSettingsChanged = 0xAA;

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

namespace {

// Seconds after `grid`-long steps since the epoch at which a moment falls when it falls `phase` seconds
// after `start`.
double offsetOf(double start, double phase, double grid) {
    return std::fmod(std::fmod(start + phase, grid) + grid, grid);
}

} // namespace

SimStation::SimStation(std::uint64_t seed, const SimConfig& config)
    : SimStation(seed, config.interval, std::min(config.start, kHistoryOrigin),
                 // A station of its own: phases the seed chooses, in whole seconds, whatever the start.
                 config.logPhase >= 0 && config.logPhase < config.interval * 60.0
                     ? offsetOf(config.start, config.logPhase, config.interval * 60.0)
                     : SimRandom(seed ^ 0x10C7A5Eull).between(0, 86399) % (config.interval * 60),
                 config.sensorPhase >= 0 && config.sensorPhase < kSensorPeriod
                     ? offsetOf(config.start, config.sensorPhase, kSensorPeriod)
                     : SimRandom(seed ^ 0x5E45E5ull).between(0, static_cast<int>(kSensorPeriod) - 1)) {
    advanceTo(config.start);
    setDrift(config.drift);
}

SimStation::SimStation(std::uint64_t seed, int interval, double layout, double logOffset, double sensorOffset)
    : model_(seed), now_(layout), simAnchor_(layout), clockAnchor_(layout) {
    writeOwnerSettings(memory_);
    memory_[0x10] = static_cast<std::uint8_t>(interval);
    currentInterval_ = takenInterval_ = intervalSetting();
    const double step = currentInterval_ * 60.0;
    // The last logging moment at or before the layout began the record being filled.
    const double currentStart = std::floor((layout - logOffset) / step) * step + logOffset;
    recordStart_ = currentStart;
    nextLog_ = currentStart + step;

    SimRandom placement(seed ^ 0xA11CE5ull);
    const unsigned currentSlot = kFirstSlot + 16 * static_cast<unsigned>(placement.between(1500, 2500));

    // Readings oldest first: kMaxCompleted completed records, then the one being filled.
    std::vector<Reading> readings;
    std::vector<double> ends;
    for (unsigned k = 0; k <= kMaxCompleted; ++k) {
        ends.push_back(currentStart - (static_cast<double>(kMaxCompleted) - 1 - k) * step);
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
    // The last sensor message at or before the layout brought the live values.
    const double lastMessage =
        std::floor((layout - sensorOffset) / kSensorPeriod) * kSensorPeriod + sensorOffset;
    nextSensor_ = lastMessage;
    sensorMessage(lastMessage);
    writeMinuteCount();
}

void SimStation::setDrift(double secondsPerDay) {
    clockAnchor_ = stationAt(now_);
    simAnchor_ = now_;
    clockRate_ = 1 + std::clamp(secondsPerDay, -kMostDrift, kMostDrift) / 86400.0;
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
    if (!(now > now_)) return;
    for (;;) {
        const double logAt = simAt(nextLog_);
        const double settingsAt = settingsDue_ >= 0 ? settingsDue_ : now;
        const double until = std::min({logAt, settingsAt, now});
        // Of the sensor messages up to the next event only the last one leaves its values.
        if (nextSensor_ <= until) {
            const double last =
                nextSensor_ + std::floor((until - nextSensor_) / kSensorPeriod) * kSensorPeriod;
            now_ = std::max(now_, last);
            sensorMessage(last);
        }
        if (settingsDue_ >= 0 && settingsDue_ <= now && settingsDue_ <= logAt) {
            now_ = std::max(now_, settingsDue_);
            takeSettings();
        } else if (logAt <= now) {
            now_ = std::max(now_, logAt);
            completeCurrentRecord();
        } else {
            break;
        }
    }
    now_ = now;
    writeMinuteCount();
}

double SimStation::secondsFromNearestMoment() const {
    const double moments[] = {nextSensor_ - kSensorPeriod, nextSensor_, simAt(recordStart_), simAt(nextLog_)};
    double nearest = std::abs(moments[0] - now_);
    for (double moment : moments) nearest = std::min(nearest, std::abs(moment - now_));
    return nearest;
}

void SimStation::sensorMessage(double at) {
    nextSensor_ = at + kSensorPeriod;
    const double begun = simAt(recordStart_);
    const double f = std::clamp((at - begun) / (simAt(nextLog_) - begun), 0.0, 1.0);
    live_ = blend(previous_, target_, f);
    writeLiveValues();
}

void SimStation::completeCurrentRecord() {
    const unsigned address = currentAddress();
    const RecordBytes bytes = encodeRecord(live_, currentInterval_, rainOffset_);
    std::copy(bytes.begin(), bytes.end(), memory_.begin() + address);
    updateMinMax(memory_, live_, now_, false);
    putU16(memory_, kCountAt, std::min(getU16(memory_, kCountAt) + 1, kMaxCompleted));
    putU16(memory_, kNewestAt, nextSlot(address));

    // The new record starts from the live values as they are; the weather goes on towards its end.
    previous_ = live_;
    currentInterval_ = takenInterval_;
    recordStart_ = nextLog_;
    nextLog_ = recordStart_ + currentInterval_ * 60.0;
    target_ = model_.next(simAt(nextLog_), currentInterval_);
    writeLiveValues();
    writeMinuteCount();
}

void SimStation::takeSettings() {
    settingsDue_ = -1;
    if (memory_[kUpdateFlagAt] != kSettingsChanged) return; // the PC took its request back
    takenInterval_ = intervalSetting();
    memory_[kUpdateFlagAt] = 0x00;
}

void SimStation::writeLiveValues() {
    const unsigned address = currentAddress();
    const std::uint8_t minutes = memory_[address];
    const RecordBytes bytes = encodeRecord(live_, currentInterval_, rainOffset_);
    std::copy(bytes.begin(), bytes.end(), memory_.begin() + address);
    memory_[address] = minutes;
    writeCurrentPressures(memory_, live_.absPres);
}

void SimStation::writeMinuteCount() {
    const double minutes = std::floor((stationAt(now_) - recordStart_) / 60.0);
    memory_[currentAddress()] = static_cast<std::uint8_t>(std::clamp(minutes, 0.0, currentInterval_ - 1.0));
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
    const bool flagWritten = (kUpdateFlagAt - address) % 0x10000 < static_cast<unsigned>(length);
    applyUpdateRequest(flagWritten);
}

void SimStation::writeByte(unsigned address, std::uint8_t value) {
    writeBlock(address, &value, 1);
}

void SimStation::applyUpdateRequest(bool flagWritten) {
    if (!flagWritten) return;
    if (memory_[kUpdateFlagAt] == kSettingsChanged) {
        settingsDue_ = now_ + kSettingsDelay; // a new request starts the wait again
    } else if (memory_[kUpdateFlagAt] == kLoadDefaults) {
        settingsDue_ = -1;
        loadStationDefaults(memory_);
        takenInterval_ = intervalSetting();
    }
}

namespace {

void saveReading(StateWriter& out, const Reading& r) {
    for (int value :
         {r.indHumi, r.indTemp, r.outHumi, r.outTemp, r.absPres, r.winds, r.gust, r.windDir, r.condition})
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
    out.f64(stationClock());
    out.f64(recordStart_);
    out.f64(nextLog_);
    out.i32(currentInterval_);
    out.i32(takenInterval_);
    out.f64(nextSensor_);
    out.f64(settingsDue_);
    out.u64(rainOffset_);
    out.u8(locked_ ? 1 : 0);
    out.u32(powerCycles_);
    saveReading(out, previous_);
    saveReading(out, target_);
    saveReading(out, live_);
    model_.saveTo(out);
    out.raw(memory_.data(), memory_.size());
}

bool SimStation::restoreFrom(StateReader& in) {
    const double now = in.f64();
    const double clock = in.f64();
    const double recordStart = in.f64();
    const double nextLog = in.f64();
    const int interval = in.i32();
    const int taken = in.i32();
    const double nextSensor = in.f64();
    const double settingsDue = in.f64();
    const std::uint64_t rainOffset = in.u64();
    const std::uint8_t locked = in.u8();
    const std::uint32_t powerCycles = in.u32();
    const Reading previous = restoreReading(in);
    const Reading target = restoreReading(in);
    const Reading live = restoreReading(in);
    WeatherModel model = model_;
    if (!model.restoreFrom(in)) return false;
    auto memory = std::make_unique<Memory>();
    in.raw(memory->data(), memory->size());
    auto finite = [](std::initializer_list<double> values) {
        return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
    };
    auto direction = [](const Reading& r) { return r.windDir >= 0 && r.windDir < 16; };
    // The record being filled began at most one interval ago and the next moments lie ahead within one
    // interval or sensor period, or catching up would never end.
    const bool sensible =
        in.ok() && in.left() == 0 && finite({now, clock, recordStart, nextLog, nextSensor, settingsDue}) &&
        now >= 0 && now <= kLatestSimTime && interval >= 1 && interval <= 240 && taken >= 1 && taken <= 240 &&
        std::abs(clock - now) <= kLatestSimTime && nextLog == recordStart + interval * 60.0 &&
        recordStart <= clock + 1 && nextLog > clock - 1 && nextSensor > now &&
        nextSensor <= now + kSensorPeriod && settingsDue <= now + kSettingsDelay && locked <= 1 &&
        direction(previous) && direction(target) && direction(live);
    if (!sensible) return false;
    now_ = simAnchor_ = now;
    clockAnchor_ = clock;
    recordStart_ = recordStart;
    nextLog_ = nextLog;
    currentInterval_ = interval;
    takenInterval_ = taken;
    nextSensor_ = nextSensor;
    settingsDue_ = settingsDue < 0 ? -1 : std::max(settingsDue, now);
    rainOffset_ = rainOffset;
    locked_ = locked == 1;
    powerCycles_ = powerCycles;
    previous_ = previous;
    target_ = target;
    live_ = live;
    model_ = model;
    memory_ = *memory;
    return true;
}

void SimStation::poke(unsigned address, const std::uint8_t* data, int length) {
    for (int i = 0; i < length; ++i) memory_[(address + static_cast<unsigned>(i)) & 0xFFFF] = data[i];
}

} // namespace nimbrel::sim
