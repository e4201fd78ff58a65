#include "station/station_access.h"

#include "station/byte_codec.h"
#include "station/history_record.h"
#include "station/local_stamp.h"

#include <algorithm>
#include <array>
#include <chrono>

namespace nimbrel {

namespace {

constexpr unsigned kUpdateFlagAddress = 0x1A;
constexpr std::uint8_t kChangedByPc = 0xAA;
constexpr std::uint8_t kLoadDefaults = 0x55;

template <std::size_t N>
bool writeArea(StationLink& link, unsigned address, const std::array<std::uint8_t, N>& bytes) {
    int length = static_cast<int>(N);
    return link.writeMemory(address, bytes.data(), length);
}

} // namespace

StationAccess::StationAccess(std::unique_ptr<UsbLibrary> library, Clock& clock, bool testMode, StationIds ids)
    : link_(std::move(library), clock, testMode), clock_(link_.library(), clock), ids_(ids), baseClock_(clock) {
    link_.setExchangeGuard([this] { return guardExchange(); });
}

double StationAccess::nowSeconds() {
    return std::chrono::duration<double>(clock_.now().time_since_epoch()).count();
}

bool StationAccess::guardExchange() {
    ++counters_.exchanges;
    const double now = nowSeconds();
    {
        std::lock_guard lock(shareMutex_);
        if (share_ && now - shareLookedAt_ >= 1.0) {
            shareLookedAt_ = now;
            if (auto other = share_->loadIfChanged()) {
                timing_.adopt(*other, now);
                shared_ = *other;
            }
        }
    }
    const bool clear = waitForClearance(StationTiming::kExchangeSeconds);
    lastFrameAt_ = nowSeconds();
    return clear;
}

bool StationAccess::waitForClearance(double seconds) {
    double now = nowSeconds();
    const double start = timing_.clearStart(now, seconds);
    if (start <= now) return true;
    ++counters_.movedOutOfMargin;
    // Bounded in waits too, so a clock that stands still (a simulator at speed 0) cannot hold it.
    using std::chrono::milliseconds;
    milliseconds budget(static_cast<long long>((start - now) * 1000) + 1000);
    while (now < start && budget.count() > 0) {
        if (link_.retriesAbandoned()) return false;
        const milliseconds step = std::min({budget, milliseconds(200),
                                            milliseconds(static_cast<long long>((start - now) * 1000) + 1)});
        clock_.sleepFor(step);
        budget -= step;
        const double later = nowSeconds();
        // The station's time stands still (a simulator at speed 0): no moment can come, nothing to wait for.
        if (later == now) return true;
        now = later;
    }
    return true;
}

void StationAccess::openTimingShare() {
    if (!learning_ || timingFolder_.empty() || link_.testMode()) return;
    std::lock_guard lock(shareMutex_);
    share_ = std::make_unique<TimingShare>(timingFolder_, link_.library().deviceKey(link_.handle()));
    if (!share_->active()) share_.reset();
    shareLookedAt_ = -1e18; // taken at the next exchange
}

void StationAccess::shareTiming() {
    std::lock_guard lock(shareMutex_);
    if (!share_) return;
    const TimingSnapshot now = timing_.snapshot();
    if (!now.sensorKept && !now.minuteKept) return;
    const bool moved = now.sensorMoment != shared_.sensorMoment || now.minuteMoment != shared_.minuteMoment ||
                       now.loggingMoment != shared_.loggingMoment || now.sensorKept != shared_.sensorKept ||
                       now.minuteKept != shared_.minuteKept;
    if (now.learnedAt <= shared_.learnedAt || (!moved && now.learnedAt - shared_.learnedAt < 60)) return;
    if (share_->save(now)) shared_ = now;
}

void StationAccess::observe(unsigned address, const std::uint8_t* bytes, int length, double start, double end) {
    const unsigned last = address + static_cast<unsigned>(length);
    if (address <= 0x1E && last >= 0x20)
        timing_.notePointer(start, end, codec::u16At(bytes + (0x1E - address)),
                            address <= 0x10 ? bytes[0x10 - address] : 0);
    const unsigned current = timing_.pointer();
    if (isRecordAddress(current) && address <= current && last >= current + kRecordSize) {
        std::array<std::uint8_t, kRecordSize> record{};
        std::copy_n(bytes + (current - address), kRecordSize, record.begin());
        timing_.noteCurrentRecord(start, end, current, record);
    }
    shareTiming();
}

bool StationAccess::readOnce(unsigned address, std::uint8_t* dst, int length) {
    int got = length;
    const double before = nowSeconds();
    if (!link_.readMemory(address, dst, got)) return false;
    const double end = nowSeconds();
    counters_.lastGoodRead = end;
    // A read of one command's length was made at its frame; a longer one somewhere in between.
    if (!link_.testMode()) observe(address, dst, length, length <= 32 ? lastFrameAt_.load() : before, end);
    return true;
}

void StationAccess::enableLearning(std::string folder) {
    learning_ = true;
    timingFolder_ = std::move(folder);
}

// One read of the current record; the pointer is read first when it is not known, every fifth time,
// or when the record at it has been completed since (its byte 0 then holds the interval).
bool StationAccess::learningRead() {
    const bool lookAtPointer = learningReads_ % 5 == 0 || !isRecordAddress(timing_.pointer()) ||
                               timing_.currentRecordCompleted();
    ++learningReads_;
    if (lookAtPointer && !readPointerArea()) return false;
    return !isRecordAddress(timing_.pointer()) || readCurrentRecord();
}

bool StationAccess::readPointerArea() {
    std::array<std::uint8_t, kSettingsLength> head{};
    return readOnce(kSettingsAddress, head.data(), static_cast<int>(head.size()));
}

bool StationAccess::readCurrentRecord() {
    std::array<std::uint8_t, kRecordSize> record{};
    return readOnce(timing_.pointer(), record.data(), static_cast<int>(record.size()));
}

bool StationAccess::learnIfDue() {
    if (!learning_ || link_.testMode() || !link_.connected()) return true;
    if (timing_.learned()) {
        learningReads_ = 0;
        return watchMinute();
    }
    const auto now = baseClock_.now();
    const auto step = learningReads_ < kQuickLearning ? kLearningStep : 10 * kLearningStep;
    if (learningReads_ > 0 && now - lastLearningRead_ < step) return true;
    lastLearningRead_ = now;
    return learningRead();
}

bool StationAccess::watchMinute() {
    const double now = nowSeconds();
    if (watchAfter_ > 0) {
        if (now < watchAfter_) return true;
        watchAfter_ = 0;
        return readCurrentRecord();
    }
    const auto tick = timing_.minuteToWatch(now);
    if (!tick || !isRecordAddress(timing_.pointer())) return true;
    // Both reads keep clear of the sensors' message.
    const double after = *tick + 0.3;
    if (timing_.clearStart(now) != now || timing_.clearStart(after) != after) return true;
    watchAfter_ = after;
    return readCurrentRecord();
}

bool StationAccess::probe() {
    if (readPointerArea()) return true;
    ++counters_.failedReads;
    return false;
}

bool StationAccess::pollConnection() {
    // A download that is finding the station again owns the look; this tick keeps what it knows.
    std::unique_lock lock(findMutex_, std::try_to_lock);
    if (!lock.owns_lock()) {
        connectionChanged_ = false;
        return link_.connected();
    }
    if (!link_.connected()) {
        if (link_.findStation(ids_.vendorId, ids_.productId)) {
            link_.setConnected(true);
            openTimingShare();
            connectionChanged_ = true;
            synchronised_ = false;
            ++timesFound_;
            return true;
        }
        link_.setConnected(false);
        connectionChanged_ = false;
        return false;
    }
    if (link_.checkStation()) {
        link_.setConnected(true);
        connectionChanged_ = false;
        return true;
    }
    link_.setConnected(false);
    connectionChanged_ = true;
    return false;
}

bool StationAccess::lastFindWasRefused() const {
    return !link_.testMode() && link_.library().findFailure() == FindFailure::accessDenied;
}

bool StationAccess::recoverConnection() {
    if (link_.testMode()) return true;
    std::lock_guard lock(findMutex_);
    if (link_.checkStation()) return true;
    return link_.findStation(ids_.vendorId, ids_.productId);
}

bool StationAccess::readBytes(unsigned address, std::uint8_t* dst, int length) {
    learnIfDue();
    for (int attempt = 1;; ++attempt) {
        if (readOnce(address, dst, length)) return true;
        if (attempt == kReadAttempts || link_.retriesAbandoned() || !recoverConnection()) {
            ++counters_.failedReads;
            return false;
        }
        ++counters_.retries;
    }
}

template <std::size_t N> bool StationAccess::readArea(unsigned address, std::array<std::uint8_t, N>& bytes) {
    return readBytes(address, bytes.data(), static_cast<int>(N));
}

void StationAccess::setObserver(std::shared_ptr<StationObserver> observer) {
    std::lock_guard lock(observerMutex_);
    observer_ = std::move(observer);
}

std::shared_ptr<StationObserver> StationAccess::observer() const {
    std::lock_guard lock(observerMutex_);
    return observer_;
}

DebugOptions StationAccess::debugOptions() const {
    auto o = observer();
    return o ? o->debugOptions() : DebugOptions{};
}

void StationAccess::notify(StationNotice code, StationPayload payload) {
    if (auto o = observer()) o->notify(code, payload);
}

bool StationAccess::readSettingsBlock(StationSettings& settings, bool quiet) {
    const bool tell = !quiet && debugOptions().read;
    std::array<std::uint8_t, kSettingsLength> bytes{};
    if (!readArea(kSettingsAddress, bytes)) return false;
    decodeSettings(bytes, settings, quiet || tell);
    if (tell) notify(settingsRead, settings);
    return true;
}

bool StationAccess::readAlarmBlock(AlarmThresholds& alarms, bool quiet) {
    const bool tell = !quiet && debugOptions().read;
    std::array<std::uint8_t, kAlarmLength> bytes{};
    if (!readArea(kAlarmAddress, bytes)) return false;
    decodeAlarms(bytes, alarms, quiet || tell);
    if (tell) notify(alarmsRead, alarms);
    return true;
}

bool StationAccess::readMinMaxBlock(MinMaxTable& minmax, bool quiet) {
    const bool tell = !quiet && debugOptions().read;
    std::array<std::uint8_t, kMinMaxLength> bytes{};
    if (!readArea(kMinMaxAddress, bytes)) return false;
    decodeMinMax(bytes, minmax, quiet || tell);
    if (tell) notify(minMaxRead, minmax);
    return true;
}

bool StationAccess::writeSettingsBlock(StationSettings& settings, bool quiet) {
    const bool tell = !quiet && debugOptions().write;
    // A fresh string moved in: assigning the literal in place makes g++ 12 see an overlapping copy.
    settings.updateFlag = std::string("1");
    std::array<std::uint8_t, kSettingsLength> bytes{};
    encodeSettings(settings, bytes, quiet || tell);
    if (tell) notify(settingsWritten, settings);
    return writeArea(link_, kSettingsAddress, bytes);
}

bool StationAccess::writeAlarmBlock(AlarmThresholds& alarms, bool quiet) {
    const bool tell = !quiet && debugOptions().write;
    std::array<std::uint8_t, kAlarmLength> bytes{};
    encodeAlarms(alarms, bytes, quiet || tell);
    if (tell) notify(alarmsWritten, alarms);
    if (!writeArea(link_, kAlarmAddress, bytes)) return false;
    return link_.writeByte(kUpdateFlagAddress, kChangedByPc);
}

bool StationAccess::writeMinMaxBlock(MinMaxTable& minmax, bool quiet) {
    const bool tell = !quiet && debugOptions().write;
    std::array<std::uint8_t, kMinMaxLength> bytes{};
    encodeMinMax(minmax, bytes, quiet || tell);
    if (tell) notify(minMaxWritten, minmax);
    const bool written = writeArea(link_, kMinMaxAddress, bytes);
    const bool flagged = link_.writeByte(kUpdateFlagAddress, kChangedByPc);
    return written && flagged;
}

bool StationAccess::readPointers(unsigned& address, int& count) {
    std::array<std::uint8_t, 64> bytes{};
    if (!readArea(kSettingsAddress, bytes)) return false;
    StationSettings settings;
    decodeSettings(std::span<const std::uint8_t, kSettingsLength>(bytes.data(), kSettingsLength), settings,
                   true);
    address = static_cast<unsigned>(codec::parseInteger(settings.historyStackAddr));
    count = static_cast<int>(codec::parseInteger(settings.historyRecords));
    return true;
}

bool StationAccess::readRecordBack(WeatherSample& sample, int n, bool quiet) {
    unsigned stackAddress = 0;
    int count = 0;
    if (!readPointers(stackAddress, count)) return false;
    if (n < 0 || count == 0 || count < n) return false;
    // A pointer outside the ring would make the fixed block pass for a record.
    if (!isRecordAddress(stackAddress)) return false;
    return readRecordAt(recordAddressBack(stackAddress, n), sample, quiet);
}

bool StationAccess::readRecordAt(unsigned address, WeatherSample& sample, bool quiet) {
    const bool tell = !quiet && debugOptions().data;
    std::array<std::uint8_t, kRecordSize> bytes{};
    if (!readArea(address, bytes)) return false;
    // The current record may be read while the station writes it: part old, part new. It is read
    // again until two reads agree.
    if (!link_.testMode() && address == timing_.pointer()) {
        for (int again = 0; again < kReadAttempts; ++again) {
            std::array<std::uint8_t, kRecordSize> next{};
            if (!readArea(address, next)) return false;
            if (next == bytes) break;
            if (again == 0) ++counters_.tornReads;
            bytes = next;
        }
    }
    if (!decodeRecord(bytes, sample)) {
        if (!readArea(address, bytes)) return false;
        decodeRecord(bytes, sample);
    }
    sample[WeatherSample::hexAdd] = recordAddressText(address);
    sample[WeatherSample::stackAddr] = recordAddressText(address);
    sample[WeatherSample::sampleTime] = localStampText(clock_.nowSeconds());
    if (tell) notify(recordRead, sample);
    return true;
}

bool StationAccess::resetStation(bool quiet) {
    if (!link_.writeByte(kUpdateFlagAddress, kLoadDefaults)) return false;
    if (!quiet && debugOptions().write)
        notify(stationCommand, std::string("initFlag1:0x55->0x00, initFlag2:0xAA->0x00"));
    return true;
}

bool StationAccess::clearHistory(bool quiet) {
    if (!link_.writeByte(0x1B, 0x00) || !link_.writeByte(0x1C, 0x00) ||
        !link_.writeByte(kUpdateFlagAddress, kChangedByPc))
        return false;
    if (!quiet && debugOptions().write) notify(stationCommand, std::string("historyRecords->0"));
    return true;
}

} // namespace nimbrel
