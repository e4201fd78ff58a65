#include "presentation/rain_totals.h"

#include "presentation/decimal_text.h"

#include <algorithm>
#include <iterator>

namespace nimbrel {

namespace {

using P = WeatherSample::Position;

// The station's rain counter wraps at 65536 counts; a larger step than 36864 counts is not believed.
constexpr double kCounterWrapMm = 65536 * 0.1;
constexpr double kImplausibleMm = 36864 * 0.1;

constexpr std::int64_t kHour = 3600;
constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kWeek = 604800;
constexpr std::int64_t kMonth = 2592000;

// A stamp of 10 characters or fewer is no stamp: as the earlier time of a span it stands for the
// start of 2000, as the later one for the present.
bool isShortStamp(std::string_view stamp) {
    return stamp.size() <= 10;
}

std::time_t startOf2000() {
    return parseLocalTime("2000-01-01 00:00:00");
}

// Seconds since the local midnight of the day of `time` (a daylight-saving day has its real length).
std::int64_t secondsSinceLocalMidnight(std::time_t time) {
    std::tm day{};
    ::localtime_r(&time, &day);
    day.tm_hour = day.tm_min = day.tm_sec = 0;
    day.tm_isdst = -1;
    const std::time_t midnight = std::mktime(&day);
    return midnight == static_cast<std::time_t>(-1) || midnight > time ? 0 : time - midnight;
}

} // namespace

RainTotalsWalk::RainTotalsWalk(WeatherSample& sample, Clock& clock) : sample_(sample), clock_(clock) {
    const std::string& counter = sample_[P::rainMm];
    if (isMarkerText(counter) || integerValue(counter) == kNoReading) {
        sample_[P::rainMm] = "---";
        for (int p = P::increment; p <= P::totalRain; ++p) sample_[p] = "---";
        result_ = false;
        finished_ = true;
        return;
    }
    counter_ = numberValue(counter);
    // No history (found out by the first visit) and a zero counter give zeros; so does an early finish.
    walking_ = counter_ != 0.0;
    if (!walking_) return;
    const std::string& stamp = sample_[P::sampleTime];
    sampleTime_ = isShortStamp(stamp) ? clock_.nowSeconds() : parseLocalTime(stamp);
    newerTime_ = sampleTime_;
    sinceMidnight_ = secondsSinceLocalMidnight(sampleTime_);
    start2000_ = startOf2000();
    previousTime_ = start2000_;
}

RainWalkRecord rainWalkRecordOf(std::string_view sampleTime, std::string_view rainMm,
                                std::string_view increment, std::string_view totalRain,
                                LocalTimeReader& times) {
    RainWalkRecord r;
    r.counterMissing = isMarkerText(rainMm);
    if (r.counterMissing) return r;
    r.shortStamp = isShortStamp(sampleTime);
    r.time = r.shortStamp ? 0 : times.read(sampleTime);
    r.counter = numberValue(rainMm);
    r.increment = numberValue(increment);
    r.totalRain = numberValue(totalRain);
    return r;
}

RainWalkRecord rainWalkRecordOf(const WeatherSample& record, LocalTimeReader& times) {
    return rainWalkRecordOf(record[P::sampleTime], record[P::rainMm], record[P::increment],
                            record[P::totalRain], times);
}

bool RainTotalsWalk::visitAll(std::span<const RainWalkRecord> records) {
    if (!walking_) return false;
    // The running state in locals for the loop, written back whenever the walk leaves it: a month of
    // 5-minute records is some 8,600 steps, twelve times over for a download.
    std::time_t newerTime = newerTime_;
    std::time_t previousTime = previousTime_;
    double sum = sum_;
    bool firstCounted = firstCounted_;
    double totals[7];
    bool open[4];
    std::copy(std::begin(totals_), std::end(totals_), totals);
    std::copy(std::begin(open_), std::end(open_), open);
    const auto leave = [&](bool walking) {
        newerTime_ = newerTime;
        previousTime_ = previousTime;
        sum_ = sum;
        firstCounted_ = firstCounted;
        std::copy(std::begin(totals), std::end(totals), totals_);
        std::copy(std::begin(open), std::end(open), open_);
        return walking_ = walking;
    };
    const std::int64_t windows[4] = {kHour, kDay, kWeek, sinceMidnight_};
    constexpr int windowTotal[4] = {1, 2, 3, 6};

    for (const RainWalkRecord& record : records) {
        if (record.counterMissing) continue;
        if (newerTime < previousTime) continue;

        const std::time_t asEarlier = record.shortStamp ? start2000_ : record.time;
        previousTime = asEarlier;
        const std::int64_t span =
            static_cast<std::int64_t>(sampleTime_) - static_cast<std::int64_t>(asEarlier);

        if (!firstCounted) {
            // The newest usable record: the rain since it is this sample's interval rain.
            firstCounted = true;
            double d = counter_ - record.counter;
            if (d < 0) {
                d += kCounterWrapMm;
                if (d >= 0 && d <= kImplausibleMm)
                    sample_[P::rainMm] = fixedText(counter_ + kCounterWrapMm, 1);
            }
            if (d < 0 || d > kImplausibleMm) d = 0;
            totals[0] = d;
            totals[5] = record.totalRain + d;
            sum += d;
        }

        for (int w = 0; w < 4; ++w) {
            if (span < windows[w]) {
                totals[windowTotal[w]] = sum;
            } else if (open[w]) {
                totals[windowTotal[w]] = sum;
                open[w] = false;
            }
        }

        totals[4] = sum;
        if (span >= kMonth) return leave(false);
        sum += record.increment;
        newerTime = record.shortStamp ? clock_.nowSeconds() : record.time;
        if (record.counter == 0.0) return leave(false);
    }
    return leave(true);
}

bool RainTotalsWalk::finish() {
    walking_ = false;
    if (finished_) return result_;
    finished_ = true;
    for (int i = 0; i < 6; ++i) sample_[P::increment + i] = fixedText(totals_[i], 1);
    return result_;
}

std::string rainProgressText(std::string_view label, int count, int k) {
    const int percent = count > 0 ? static_cast<int>(100LL * k / count) : 0;
    std::string text(label);
    text += ' ';
    text += std::to_string(count);
    text += " : ";
    text += std::to_string(percent);
    text += "% ...";
    return text;
}

std::span<const RainWalkRecord> RainFactsOfList::from(std::size_t k) {
    if (k >= facts_.size())
        for (std::size_t n = 0; n < 256 && facts_.size() < list_.size(); ++n)
            facts_.push_back(rainWalkRecordOf(list_[list_.size() - 1 - facts_.size()], times_));
    return k < facts_.size() ? std::span(facts_).subspan(k) : std::span<const RainWalkRecord>();
}

namespace {

// Feeds the walk the stored facts until it has gone back far enough or they run out.
void walkStoredFacts(RainTotalsWalk& walk, RainFacts& stored) {
    for (std::size_t k = 0; walk.wantsRecords();) {
        const std::span<const RainWalkRecord> some = stored.from(k);
        if (some.empty()) return;
        if (!walk.visitAll(some)) return;
        k += some.size();
    }
}

} // namespace

bool computeRainTotals(WeatherSample& sample, RainFacts& history, Clock& clock,
                       std::optional<double>* sinceMidnightMm) {
    RainTotalsWalk walk(sample, clock);
    walkStoredFacts(walk, history);
    const bool counted = walk.finish();
    if (sinceMidnightMm) *sinceMidnightMm = counted ? std::optional(walk.rainSinceMidnight()) : std::nullopt;
    return counted;
}

bool computeRainTotals(WeatherSample& sample, std::span<const WeatherSample> oldestFirst, Clock& clock) {
    RainFactsOfList facts(oldestFirst);
    return computeRainTotals(sample, facts, clock);
}

void computeRainTotalsForNewRecords(SampleList& newestFirst, const StoredFactsAccess& withStored,
                                    std::string_view label,
                                    const std::function<void(const std::string&)>& progress, Clock& clock) {
    // Oldest first: each record's walk takes the new records before it (already complete), then the store.
    const int count = static_cast<int>(newestFirst.size());
    LocalTimeReader times;
    for (std::size_t i = newestFirst.size(); i-- > 0;) {
        if (progress) progress(rainProgressText(label, count, count - static_cast<int>(i)));
        RainTotalsWalk walk(newestFirst[i], clock);
        bool going = walk.wantsRecords();
        for (std::size_t j = i + 1; going && j < newestFirst.size(); ++j)
            going = walk.visit(rainWalkRecordOf(newestFirst[j], times));
        if (going) withStored([&](RainFacts& stored) { walkStoredFacts(walk, stored); });
        walk.finish();
    }
}

void computeRainTotalsForNewRecords(SampleList& newestFirst, RainFacts& stored, std::string_view label,
                                    const std::function<void(const std::string&)>& progress, Clock& clock) {
    computeRainTotalsForNewRecords(
        newestFirst, [&](const std::function<void(RainFacts&)>& use) { use(stored); }, label, progress,
        clock);
}

} // namespace nimbrel
