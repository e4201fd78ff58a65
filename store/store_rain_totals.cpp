#include "store/store_rain_totals.h"

#include "store/history_line.h"

namespace nimbrel {

namespace {

// The file's columns (from 1) that the rain walk reads.
constexpr std::size_t kSampleTimeColumn = 3;
constexpr std::size_t kRainMmColumn = 21;
constexpr std::size_t kIncrementColumn = 22;
constexpr std::size_t kTotalRainColumn = 27;

static_assert(kHistoryColumns[kSampleTimeColumn - 1] == WeatherSample::sampleTime);
static_assert(kHistoryColumns[kRainMmColumn - 1] == WeatherSample::rainMm);
static_assert(kHistoryColumns[kIncrementColumn - 1] == WeatherSample::increment);
static_assert(kHistoryColumns[kTotalRainColumn - 1] == WeatherSample::totalRain);

// The walk's facts of a record line, read as the whole-record parser would read those columns (a
// column the line lacks has the text of a cleared record) but without the other 33 columns.
class RainColumnsReader {
public:
    RainWalkRecord read(std::string_view line) {
        std::string_view columns[kTotalRainColumn];
        const std::size_t found = leadingColumns(stripLineEnd(line), columns, kTotalRainColumn);
        auto column = [&](std::size_t n) -> std::string_view {
            return n <= found ? trimBlanks(columns[n - 1])
                              : std::string_view(cleared_.text(kHistoryColumns[n - 1]));
        };
        return rainWalkRecordOf(column(kSampleTimeColumn), column(kRainMmColumn), column(kIncrementColumn),
                                column(kTotalRainColumn), times_);
    }

private:
    const WeatherSample cleared_;
    LocalTimeReader times_;
};

} // namespace

NewestFirstReader newestFirstReaderOf(HistoryStore& store) {
    return [&store](const SampleVisitor& visit) { store.readBackward(visit); };
}

bool computeRainTotalsFromStore(WeatherSample& sample, HistoryStore& store, Clock& clock) {
    RainTotalsWalk walk(sample, clock);
    if (walk.wantsRecords()) {
        RainColumnsReader reader;
        store.readRecordLinesBackward([&](std::string_view line) { return walk.visit(reader.read(line)); });
    }
    return walk.finish();
}

void computeRainTotalsForNewRecords(SampleList& newestFirst, HistoryStore& store, std::string_view label,
                                    const std::function<void(const std::string&)>& progress, Clock& clock) {
    NewRecordsRainWalk walks(newestFirst, label, progress, clock);
    if (walks.wantsRecords()) {
        RainColumnsReader reader;
        store.readRecordLinesBackward([&](std::string_view line) { return walks.visit(reader.read(line)); });
    }
    walks.finish();
}

} // namespace nimbrel
