#include "store/store_rain_totals.h"

namespace nimbrel {

bool computeRainTotalsFromStore(WeatherSample& sample, HistoryStore& store, Clock& clock,
                                std::optional<double>* sinceMidnightMm) {
    bool counted = false;
    store.useRainFacts(
        [&](RainFacts& stored) { counted = computeRainTotals(sample, stored, clock, sinceMidnightMm); });
    return counted;
}

void computeRainTotalsForNewRecords(SampleList& newestFirst, HistoryStore& store, std::string_view label,
                                    const std::function<void(const std::string&)>& progress, Clock& clock) {
    // The store is held for one record's walk at a time and never while a progress text is shown: the
    // window that shows it may be waiting for the store just then.
    computeRainTotalsForNewRecords(
        newestFirst, [&](const std::function<void(RainFacts&)>& use) { store.useRainFacts(use); }, label,
        progress, clock);
}

} // namespace nimbrel
