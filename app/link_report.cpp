#include "app/link_report.h"

#include "station/local_stamp.h"

#include <cmath>
#include <cstdio>

namespace nimbrel {
namespace {

std::string timeText(double seconds) {
    return localStampText(static_cast<std::time_t>(std::llround(seconds)));
}

std::string count(std::uint64_t n) {
    return std::to_string(n);
}

} // namespace

std::vector<std::string> linkReportLines(const LanguageTable& table, StationAccess& station,
                                         const LinkHealth& health) {
    const double now = station.nowSeconds();
    const TimingSnapshot timing = station.timing().snapshot();
    const LinkCounters& counters = station.counters();
    std::vector<std::string> lines;

    if (timing.sensorMoment && timing.sensorKept)
        lines.push_back(table.text(
            "link.sensor", {timeText(momentAtOrAfter(*timing.sensorMoment, StationTiming::kSensorPeriod, now))}));
    else
        lines.push_back(table.text("link.sensor_unknown"));
    if (timing.loggingMoment && timing.intervalMinutes > 0)
        lines.push_back(table.text(
            "link.logging", {std::to_string(timing.intervalMinutes),
                             timeText(momentAtOrAfter(*timing.loggingMoment, timing.intervalMinutes * 60.0, now))}));
    else
        lines.push_back(table.text("link.logging_unknown"));
    char drift[32];
    std::snprintf(drift, sizeof drift, "%+.1f", timing.driftPerDay);
    lines.push_back(table.text("link.drift", {drift}));
    lines.push_back(table.text("link.counts", {count(counters.exchanges), count(counters.retries),
                                               count(counters.failedReads), count(counters.tornReads),
                                               count(counters.movedOutOfMargin), count(health.lockupsSuspected())}));
    const double lastGood = counters.lastGoodRead;
    lines.push_back(table.text("link.last_good", {lastGood > 0 ? timeText(lastGood) : table.text("link.never")}));
    if (health.lockedUp()) lines.push_back(table.text("acquisition.station_stopped"));
    return lines;
}

} // namespace nimbrel
