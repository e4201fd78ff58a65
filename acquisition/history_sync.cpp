#include "acquisition/history_sync.h"

#include "presentation/time_text.h"
#include "station/byte_codec.h"
#include "station/history_record.h"
#include "station/local_stamp.h"
#include "station/station_access.h"
#include "station/station_busy.h"
#include "station/station_settings.h"
#include "store/history_store.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <span>

namespace nimbrel {
namespace {

using Pair = std::array<std::uint8_t, 2 * kRecordSize>;

long long circleOf(const WeatherSample& record) {
    return codec::parseInteger(record[WeatherSample::sampleCircle]);
}

bool usableStackAddress(long long a) {
    return a >= 0x100 && a <= 0x10000 && a % 16 == 0;
}

bool readPair(StationAccess& station, unsigned address, Pair& pair) {
    return station.readBytes(address, pair.data(), static_cast<int>(pair.size()));
}

// Lets a caller that waits for the station have it now; false when the download cannot go on after
// (stopped, the station not back in time, or written to meanwhile).
bool letWaitingCallerIn(const HistorySync& sync) {
    if (!sync.busy || !sync.station.busy().othersWaiting()) return true;
    const std::uint64_t writes = sync.station.link().writesStarted();
    return sync.busy->yieldToWaiting(sync.clock, kYieldPatience, sync.stopRequested) &&
           sync.station.link().writesStarted() == writes;
}

// Ring positions from `from` forwards to `to`: 0 when they are the same slot.
unsigned slotsAfter(unsigned from, unsigned to) {
    const long long slots = (static_cast<long long>(to) - static_cast<long long>(from)) / kRecordSize;
    return static_cast<unsigned>((slots % kRecordSlots + kRecordSlots) % kRecordSlots);
}

enum class Outcome { taken, skipped, matched, readFailed };

// A moment on the station's clock as a stamp: how long ago it was, counted back from the download's own
// "now".
std::time_t stampOf(const HistorySync& sync, double moment) {
    return sync.clock.nowSeconds() - static_cast<std::time_t>(std::llround(sync.station.nowSeconds() - moment));
}

// When the newest completed record was completed: the station's last logging moment as the current
// record at `pointer` tells it, read now when this cycle has not read it yet. The test image never
// moves on, and its records are stamped from the present time.
std::time_t newestStamp(const HistorySync& sync, unsigned pointer) {
    StationAccess& station = sync.station;
    const std::time_t now = sync.clock.nowSeconds();
    if (station.link().testMode()) return now;
    auto moment = station.timing().lastLoggingMoment(pointer, station.nowSeconds());
    if (!moment) {
        WeatherSample current;
        if (station.readRecordAt(pointer, current, true))
            moment = station.timing().lastLoggingMoment(pointer, station.nowSeconds());
    }
    return moment ? stampOf(sync, *moment) : now;
}

// The state of one download while it walks the ring backwards.
class Walk {
public:
    Walk(const HistorySync& sync, SampleList& list, unsigned stackAddr, int interval, std::time_t newest)
        : sync_(sync), list_(list), stackAddr_(stackAddr), interval_(interval), t_(newest),
          testMode_(sync.station.link().testMode()) {
        haveLast_ = sync.store.readLastRecord(lastStored_);
    }

    const WeatherSample& lastStored() const { return lastStored_; }

    // How many records the walk from the newest one at `newest` should read: those after the last
    // stored one and that one itself when its slot is known, else every record the station holds.
    long long expectedCount(unsigned newest, long long held) const {
        if (!haveLast_) return held;
        const std::string& text = lastStored_[WeatherSample::hexAdd];
        unsigned address = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), address, 16);
        if (error != std::errc{} || end != text.data() + text.size() || !isRecordAddress(address)) return held;
        return std::min<long long>(held, slotsAfter(address, newest) + 1LL);
    }

    // One record of the pair just read; `offset` 16 is the newer one, 0 the older one.
    Outcome handle(unsigned pairAddress, Pair& pair, std::size_t offset) {
        WeatherSample record;
        if (!decodeRecord(std::span<const std::uint8_t, kRecordSize>(pair.data() + offset, kRecordSize),
                          record)) {
            if (!readPair(sync_.station, pairAddress, pair)) return Outcome::readFailed;
            // Every field is decoded afresh: nothing of the first try is left.
            if (!decodeRecord(std::span<const std::uint8_t, kRecordSize>(pair.data() + offset, kRecordSize),
                              record))
                return Outcome::skipped;
        }
        record[WeatherSample::stackAddr] = recordAddressText(stackAddr_);
        record[WeatherSample::hexAdd] = recordAddressText(pairAddress + static_cast<unsigned>(offset));
        record[WeatherSample::sampleTime] = localStampText(t_);
        const long long circle = circleOf(record);
        interval_ = std::max<long long>(interval_, circle);
        // The test image never moves on: its newest record is the last stored one however long ago
        // it was stored, or every cycle would store the same records again.
        if (haveLast_ &&
            (testMode_ ? record[WeatherSample::hexAdd] == lastStored_[WeatherSample::hexAdd]
                       : isLastStored(lastStored_, record, static_cast<int>(interval_), sync_.clock)))
            return Outcome::matched;
        list_.push_back(std::move(record));
        t_ -= static_cast<std::time_t>(circle * 60);
        return Outcome::taken;
    }

private:
    const HistorySync& sync_;
    SampleList& list_;
    unsigned stackAddr_;
    long long interval_;
    std::time_t t_;
    bool testMode_;
    WeatherSample lastStored_;
    bool haveLast_ = false;
};

// When the last stored record was met again, the new records are stamped forwards from its
// stored time instead of backwards from now, so the file's times run on without a jump.
// Returns false when those stamps would lie in the future: the whole fetch is then void.
bool reanchor(const HistorySync& sync, const WeatherSample& lastStored, SampleList& list) {
    const std::string& storedTime = lastStored[WeatherSample::sampleTime];
    const WeatherSample& oldest = list.back();
    const long long gapMinutes =
        timeSpanBetween(oldest[WeatherSample::sampleTime], storedTime, sync.clock) / 60;
    if (gapMinutes > 2 * circleOf(lastStored)) return true;

    std::time_t t = parseLocalTime(storedTime);
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        t += static_cast<std::time_t>(circleOf(*it) * 60);
        (*it)[WeatherSample::sampleTime] = localStampText(t);
    }
    const long long aheadMinutes = static_cast<long long>(t - sync.clock.nowSeconds()) / 60;
    return aheadMinutes <= 2 * circleOf(list.front());
}

} // namespace

bool isLastStored(const WeatherSample& lastStored, const WeatherSample& candidate, int intervalMinutes,
                  Clock& clock) {
    if (candidate[WeatherSample::hexAdd] != lastStored[WeatherSample::hexAdd]) return false;
    return timeSpanBetween(lastStored[WeatherSample::sampleTime], candidate[WeatherSample::sampleTime],
                           clock) <= 120LL * intervalMinutes;
}

int syncHistory(const HistorySync& sync, SampleList& list) {
    list.clear();
    const auto giveUp = [&] {
        list.clear();
        if (sync.failed) *sync.failed = true;
        return 0;
    };
    if (sync.failed) *sync.failed = false;

    StationSettings settings;
    bool settingsRead = sync.settings != nullptr;
    if (settingsRead)
        settings = *sync.settings;
    else
        settingsRead = sync.station.readSettingsBlock(settings, false);
    long long a = codec::parseInteger(settings.historyStackAddr);
    long long r = codec::parseInteger(settings.historyRecords);
    if (!settingsRead || !usableStackAddress(a) || r < 0) {
        sync.clock.sleepFor(std::chrono::milliseconds(100));
        settingsRead = sync.station.readSettingsBlock(settings, false);
        a = codec::parseInteger(settings.historyStackAddr);
        r = codec::parseInteger(settings.historyRecords);
    }
    if (!settingsRead) return giveUp();
    if (r <= 0) return 0;
    const long long m = std::min<long long>(r - 1, kRecordSlots - 1);

    // The newest completed record. A pointer off the record grid (possible after the second read,
    // which is not checked) would walk the ring misaligned and into the fixed block: no download.
    const long long p = a == kFirstRecordAddress ? kLastRecordAddress : a - 16;
    if (p < kFirstRecordAddress || p > kLastRecordAddress || p % kRecordSize != 0) return 0;

    const double began = sync.station.nowSeconds();
    const bool exactAtStart = sync.station.timing().loggingMomentBefore(began).has_value();
    const std::time_t newest = newestStamp(sync, static_cast<unsigned>(a));
    Walk walk(sync, list, static_cast<unsigned>(a), static_cast<int>(codec::parseInteger(settings.historyCircle)),
              newest);
    unsigned address = static_cast<unsigned>(p) + 16;
    long long added = 0, skipped = 0;
    bool found = false;
    Pair pair{};
    long long expected = walk.expectedCount(static_cast<unsigned>(p), m + 1);
    do {
        const int k = (address == 0x110 || m - skipped - added == 0) ? 1 : 2;
        address -= 32;
        if (sync.stopRequested && sync.stopRequested->load()) return giveUp();
        if (!letWaitingCallerIn(sync)) return giveUp();
        const long long done = k + skipped + added;
        // A pair may hold one record past the expected ones (the last stored one, met again). More than
        // that: its slot was overwritten since, and the walk goes on through the whole ring.
        if (done > expected + 1) expected = m + 1;
        if (sync.progress)
            sync.progress(std::to_string(done) + " " + sync.texts.dataHasBeenRead + " ...", std::min(done, expected),
                          expected);
        if (!readPair(sync.station, address, pair)) return giveUp();
        for (int i = 0; i < k && !found; ++i) {
            switch (walk.handle(address, pair, i == 0 ? kRecordSize : 0)) {
            case Outcome::taken:
                ++added;
                break;
            case Outcome::skipped:
                ++skipped;
                break;
            case Outcome::matched:
                found = true;
                break;
            case Outcome::readFailed:
                return giveUp();
            }
        }
        if (found) break;
        if (address == 0x100 || address == 0xF0) address = 0x10000;
    } while (m - skipped - added >= 0);

    // The station may have completed records while the ring was read (a first download takes minutes):
    // each moved the pointer on over the oldest slot, which the walk reads last. What was read from
    // those slots may be the new record in the wrong place; it is left for the next cycle, which
    // fetches it as the newest. Once the logging moments are known, the pointer is read again only
    // when one fell during the download.
    const bool mayHaveMoved = sync.station.timing().loggingMomentMayFall(began, sync.station.nowSeconds());
    if (mayHaveMoved && !sync.station.readSettingsBlock(settings, false)) return giveUp();
    const auto stackNow = static_cast<unsigned>(codec::parseInteger(settings.historyStackAddr));
    if (isRecordAddress(stackNow) && stackNow != static_cast<unsigned>(a)) {
        const unsigned moved = slotsAfter(static_cast<unsigned>(a), stackNow);
        std::erase_if(list, [&](const WeatherSample& record) {
            const std::string& text = record[WeatherSample::hexAdd];
            unsigned address = 0;
            std::from_chars(text.data(), text.data() + text.size(), address, 16);
            const unsigned after = slotsAfter(static_cast<unsigned>(a), address);
            return after >= 1 && after <= moved;
        });
    }

    // A download that began before the station's minute was known stamped from byte 0 (within half a
    // minute); learned meanwhile, the logging moment's own second moves every stamp onto it.
    if (!exactAtStart && !sync.station.link().testMode())
        if (const auto exact = sync.station.timing().loggingMomentBefore(began)) {
            const std::time_t shift = stampOf(sync, *exact) - newest;
            for (WeatherSample& record : list)
                record[WeatherSample::sampleTime] =
                    localStampText(parseLocalTime(record[WeatherSample::sampleTime]) + shift);
        }

    // The count ends at the records kept, the number the cycle's summary gives as read: the last stored
    // one met again and the slots left for the next cycle are not among them.
    const auto kept = static_cast<long long>(list.size());
    if (sync.progress && (kept != added || kept != expected))
        sync.progress(std::to_string(kept) + " " + sync.texts.dataHasBeenRead + " ...", kept, kept);

    const WeatherSample& lastStored = walk.lastStored();
    if (found && !list.empty() && lastStored[WeatherSample::sampleTime].size() > 10 &&
        !reanchor(sync, lastStored, list)) {
        list.clear();
        return 0;
    }
    return static_cast<int>(list.size());
}

} // namespace nimbrel
