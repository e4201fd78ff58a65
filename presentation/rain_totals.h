// Rain totals of a sample (interval, hour, 24 hours, week, month and running total) measured against
// the stored history, walked from the newest record back only as far as the month window reaches.
#pragma once

#include "presentation/time_text.h"
#include "station/clock.h"
#include "station/weather_sample.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

// What the walk reads of one stored record: its sample time and its three rain columns, read once so
// that a stored record costs no whole-record parse and several walks can share one read of the file.
struct RainWalkRecord {
    bool counterMissing = true; // rainMm is "" or "---": every walk passes the record by
    bool shortStamp = false;    // sampleTime of 10 characters or fewer (no stamp)
    std::time_t time = 0;       // sampleTime read as local time; 0 for a short stamp
    double counter = 0.0;       // rainMm
    double increment = 0.0;
    double totalRain = 0.0;
};

// The walk's facts from the texts of a record's sampleTime, rainMm, increment and totalRain.
RainWalkRecord rainWalkRecordOf(std::string_view sampleTime, std::string_view rainMm,
                                std::string_view increment, std::string_view totalRain,
                                LocalTimeReader& times);
RainWalkRecord rainWalkRecordOf(const WeatherSample& record, LocalTimeReader& times);

// The walk itself, fed one stored record at a time, newest first. Construction settles the cases
// that need no history (no counter, a zero counter); visit() returns whether it wants the next
// older record; finish() writes the totals into the sample and returns the result.
class RainTotalsWalk {
public:
    // `clock` stands in for the present when the sample's own stamp is missing.
    explicit RainTotalsWalk(WeatherSample& sample, Clock& clock = systemClock());
    bool wantsRecords() const { return walking_; }
    bool visit(const RainWalkRecord& record) { return visitAll({&record, 1}); }
    // The next older records in turn, newest first.
    bool visitAll(std::span<const RainWalkRecord> records);
    bool finish();
    // The rain since the local midnight of the sample's day, counted like the rolling windows: from the
    // newest record at or before midnight (the interval that spans midnight counts to the new day).
    // Valid after finish() when it returned true.
    double rainSinceMidnight() const { return totals_[6]; }

private:
    WeatherSample& sample_;
    Clock& clock_;
    bool result_ = true;
    bool walking_ = false;
    bool finished_ = false;
    bool firstCounted_ = false;
    double counter_ = 0.0; // R: the sample's counter in mm
    double sum_ = 0.0;     // S
    std::time_t sampleTime_ = 0;
    std::time_t newerTime_ = 0;
    std::time_t previousTime_ = 0;
    std::time_t start2000_ = 0; // an earlier time that is no stamp stands for this
    std::int64_t sinceMidnight_ = 0; // seconds from the local midnight of the sample's day to the sample
    // increment, hourRain, dayRain, weekRain, monthRain, totalRain: written as text by finish();
    // then the rain since midnight.
    double totals_[7] = {};
    bool open_[4] = {true, true, true, true}; // hour, 24 hours, week, since midnight
};

// The rain walk's facts of the stored records by age, newest first. from(k) gives the facts from the
// k-th newest on that are at hand, reading more when none are; an empty span means k is past the
// oldest. A walk takes them in turn and stops where its month window ends, so a source reads (or
// keeps) only as much history as the walks go back. A span stays valid until the next call.
class RainFacts {
public:
    virtual ~RainFacts() = default;
    virtual std::span<const RainWalkRecord> from(std::size_t k) = 0;
};

// The facts of samples ordered oldest first (like the history file), each read when first asked for.
class RainFactsOfList final : public RainFacts {
public:
    explicit RainFactsOfList(std::span<const WeatherSample> oldestFirst) : list_(oldestFirst) {}
    std::span<const RainWalkRecord> from(std::size_t k) override;

private:
    std::span<const WeatherSample> list_;
    std::vector<RainWalkRecord> facts_; // newest first
    LocalTimeReader times_;
};

// Fill rainMm (when the counter wrapped), increment, hourRain ... monthRain and totalRain of `sample`
// from the earlier samples. False when the sample has no rain counter (all those fields become "---").
// `sinceMidnightMm`, when given, receives the rain since local midnight, or nothing without a counter.
bool computeRainTotals(WeatherSample& sample, RainFacts& history, Clock& clock = systemClock(),
                       std::optional<double>* sinceMidnightMm = nullptr);
bool computeRainTotals(WeatherSample& sample, std::span<const WeatherSample> oldestFirst,
                       Clock& clock = systemClock());

// The progress text of the k-th of n new records (k from 1): "<label> <n> : <100*k/n>% ...".
std::string rainProgressText(std::string_view label, int count, int k);

// Rain totals for records just fetched from the station, listed newest first as the station gives
// them. They are taken oldest first, each measured against every stored record and the new records
// before it (whose own totals are already filled). `label` is the localised caption of this step;
// `progress`, when set, gets one text per record before its walk.
// How a walk reaches the stored facts: `use` runs with them. A store is held only while `use` runs, so
// nothing else (a progress text) waits while the store is held.
using StoredFactsAccess = std::function<void(const std::function<void(RainFacts&)>& use)>;
void computeRainTotalsForNewRecords(SampleList& newestFirst, const StoredFactsAccess& withStored,
                                    std::string_view label,
                                    const std::function<void(const std::string&)>& progress,
                                    Clock& clock = systemClock());

void computeRainTotalsForNewRecords(SampleList& newestFirst, RainFacts& stored, std::string_view label,
                                    const std::function<void(const std::string&)>& progress,
                                    Clock& clock = systemClock());

} // namespace nimbrel
