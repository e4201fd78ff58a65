#include "store/store_rain_totals.h"

namespace nimbrel {

bool computeRainTotalsFromStore(WeatherSample& sample, HistoryStore& store, Clock& clock) {
    bool counted = false;
    store.useRainFacts([&](RainFacts& stored) { counted = computeRainTotals(sample, stored, clock); });
    return counted;
}

void computeRainTotalsForNewRecords(SampleList& newestFirst, HistoryStore& store, std::string_view label,
                                    const std::function<void(const std::string&)>& progress, Clock& clock) {
    store.useRainFacts([&](RainFacts& stored) {
        computeRainTotalsForNewRecords(newestFirst, stored, label, progress, clock);
    });
}

} // namespace nimbrel
