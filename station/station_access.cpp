#include "station/station_access.h"

#include "station/history_record.h"
#include "station/local_stamp.h"

#include <array>

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
    : link_(std::move(library), clock, testMode), clock_(link_.library(), clock), ids_(ids) {}

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
    for (int attempt = 1;; ++attempt) {
        int got = length;
        if (link_.readMemory(address, dst, got)) return true;
        if (attempt == kReadAttempts || link_.retriesAbandoned() || !recoverConnection()) return false;
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
    const unsigned address = recordAddressBack(stackAddress, n);
    sample[WeatherSample::stackAddr] = recordAddressText(address);
    return readRecordAt(address, sample, quiet);
}

bool StationAccess::readRecordAt(unsigned address, WeatherSample& sample, bool quiet) {
    const bool tell = !quiet && debugOptions().data;
    std::array<std::uint8_t, kRecordSize> bytes{};
    if (!readArea(address, bytes)) return false;
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
