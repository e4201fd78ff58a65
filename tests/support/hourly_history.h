// HourlyHistory: a history file of one record an hour from March 1, 2026 (UTC), for the outputs that
// send stored records; the program's clock stands at hour 50 (02:00 on March 3).
#pragma once

#include "store/history_store.h"
#include "tests/support/fake_clock.h"
#include "tests/support/temp_dir.h"
#include "tests/support/time_zone_scope.h"

#include <cstdio>
#include <ctime>
#include <gtest/gtest.h>
#include <string>

namespace nimbrel::testing {

inline constexpr std::time_t kMarch1 = 1772323200; // 2026-03-01 00:00:00 UTC

// "2026-03-01 20:00:00" for hour 20.
inline std::string hourStamp(int hours) {
    const std::time_t t = kMarch1 + hours * 3600;
    std::tm tm{};
    ::gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

// Each hour's record sits at its own station address.
inline std::string hourAddress(int hours) {
    char text[8];
    std::snprintf(text, sizeof text, "%06X", 0x100 + hours * 16);
    return text;
}

struct HourlyHistory {
    TimeZoneScope utc{"UTC"};
    TempDir dir;
    FakeClock clock{std::chrono::system_clock::from_time_t(kMarch1 + 50 * 3600)};
    std::string file = (dir / "Nimbrel.dat").string();
    std::string position = (dir / "output.position").string();

    // A record an hour from `first` to `last`, 12.5 °C outdoors; the rain total grows 0.3 mm an hour.
    void store(int first, int last) {
        HistoryStore store(file, clock);
        ASSERT_TRUE(store.open());
        SampleList newestFirst;
        for (int h = first; h <= last; ++h) {
            WeatherSample r;
            r.clear();
            r[WeatherSample::sampleTime] = hourStamp(h);
            r[WeatherSample::hexAdd] = hourAddress(h);
            r[WeatherSample::outTemp] = "12.5";
            char total[16];
            std::snprintf(total, sizeof total, "%.1f", 100 + 0.3 * h);
            r[WeatherSample::totalRain] = total;
            newestFirst.insert(newestFirst.begin(), r);
        }
        ASSERT_TRUE(store.appendRecords(newestFirst));
    }
    // The position file as an output keeps it: after the record of `hour`.
    void keepPosition(int hour) const { dir.write("output.position", hourStamp(hour) + "\t" + hourAddress(hour) + "\n"); }
};

} // namespace nimbrel::testing
