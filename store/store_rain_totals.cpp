#include "store/store_rain_totals.h"

namespace nimbrel {

NewestFirstReader newestFirstReaderOf(HistoryStore& store) {
    return [&store](const SampleVisitor& visit) { store.readBackward(visit); };
}

bool computeRainTotalsFromStore(WeatherSample& sample, HistoryStore& store, Clock& clock) {
    return computeRainTotals(sample, newestFirstReaderOf(store), clock);
}

void computeRainTotalsForNewRecords(SampleList& newestFirst, HistoryStore& store, std::string_view label,
                                    const std::function<void(const std::string&)>& progress, Clock& clock) {
    computeRainTotalsForNewRecords(newestFirst, newestFirstReaderOf(store), label, progress, clock);
}

} // namespace nimbrel
