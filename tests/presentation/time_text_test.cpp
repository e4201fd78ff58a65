#include "presentation/time_text.h"
#include "tests/support/fake_clock.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

#include "tests/support/time_zone_scope.h"
#include <optional>
#include <string>

namespace nimbrel {
namespace {

using testing::TimeZoneScope;

TEST(PresentationTimeText, StampsOfEveryLength) {
    TimeZoneScope zone("Europe/Berlin");
    EXPECT_EQ(stationTimeText("2009-03-04", 2, 0), "04-03-2009 00:00");
    EXPECT_EQ(stationTimeText("2009-03-04 13:05", 0, 1), "2009-03-04 01:05PM");
    EXPECT_EQ(stationTimeText("2009-03-04 13:05:59", 1, 0), "03-04-2009 13:05");
    EXPECT_EQ(stationTimeText("2009-3-4 13:05:09", 0, 0), "2009-03-04 13:05"); // unpadded fields
    EXPECT_EQ(stationTimeText("2009-03-04 13", 0, 0), "2009-03-04 13:00");     // completed with ":00:00"
    EXPECT_EQ(stationTimeText("---", 0, 0), "---");
    EXPECT_EQ(stationTimeText("", 0, 0), "");
    EXPECT_EQ(stationTimeText("123456789", 0, 0), "123456789");
    EXPECT_EQ(stationTimeText("2009-03-04 13:05:59 extra", 0, 0), "2009-03-04 13:05");
    EXPECT_EQ(stationTimeText("2009-03-04", 7, 9), "2009-03-04 00:00"); // unknown indices: first pattern
}

TEST(PresentationTimeText, OutOfRangeFieldsAreReplaced) {
    TimeZoneScope zone("Europe/Berlin");
    EXPECT_EQ(stationTimeText("2009-13-04 13:05", 0, 0), "2009-01-04 13:05");
    EXPECT_EQ(stationTimeText("1899-03-04 13:05", 0, 0), "2000-03-04 13:05");
    EXPECT_EQ(stationTimeText("2009-03-32 24:60:61", 0, 0), "2009-03-01 00:00");
    EXPECT_EQ(stationTimeText("2009-00-00 00:00", 0, 0), "2009-01-01 00:00");
    EXPECT_EQ(stationTimeText("2009--3-04 10:00", 0, 0),
              "2009-01-04 10:00"); // a negative field wraps, then is replaced
    EXPECT_EQ(stationTimeText("99999999999-03-04 10:00:00", 0, 0), "2000-03-04 10:00");
    EXPECT_EQ(stationTimeText("2009-02-31 08:00", 0, 0), "2009-03-03 08:00"); // rolls into March
    EXPECT_EQ(stationTimeText("garbage text", 0, 0), "2000-01-01 00:00");
}

TEST(PresentationTimeText, DaylightSavingGapAndFold) {
    TimeZoneScope zone("Europe/Berlin");
    // 2009-03-29 02:00-03:00 does not exist in Berlin: it is read with the winter offset.
    EXPECT_EQ(parseLocalTime("2009-03-29 02:30:00"), parseLocalTime("2009-03-29 03:30:00"));
    EXPECT_EQ(parseLocalTime("2009-03-29 02:30:00") - parseLocalTime("2009-03-29 01:30:00"), 3600);
    EXPECT_EQ(stationTimeText("2009-03-29 02:30", 0, 0), "2009-03-29 03:30");
    // The day of the spring change has 23 hours, the day of the autumn change 25.
    EXPECT_EQ(timeSpanBetween("2009-03-29 00:00:00", "2009-03-30 00:00:00"), 82800);
    EXPECT_EQ(timeSpanBetween("2009-10-25 00:00:00", "2009-10-26 00:00:00"), 90000);
    // The repeated hour is shown as it was written.
    EXPECT_EQ(stationTimeText("2009-10-25 02:30", 0, 0), "2009-10-25 02:30");
    // The chart axis has neither gap nor fold.
    EXPECT_EQ(parseChartTime("2009-03-29 03:30:00") - parseChartTime("2009-03-29 01:30:00"), 7200.0);
}

TEST(PresentationTimeText, AFieldPastAnyCalendarStopsAtItsBound) {
    TimeZoneScope zone("UTC");
    // Seconds up to 100000000 (three years on) count; one past it, or the most a field holds, read the same.
    const std::time_t bound = parseLocalTime("2026-01-01 00:00:100000000");
    EXPECT_EQ(bound - parseLocalTime("2026-01-01 00:00:99999999"), 1);
    EXPECT_EQ(parseLocalTime("2026-01-01 00:00:100000001"), bound);
    EXPECT_EQ(parseLocalTime("2026-01-01 00:00:4294967295"), bound);
}

TEST(PresentationTimeText, SpansAndShortStamps) {
    TimeZoneScope zone("Europe/Berlin");
    EXPECT_EQ(timeSpanBetween("2009-03-04 00:00:00", "2009-03-05 00:00:00"), 86400);
    EXPECT_EQ(timeSpanBetween("2009-03-05 00:00:00", "2009-03-04 23:59:00"), -60);
    // A short first stamp stands for the start of 2000; a short second one for now.
    EXPECT_EQ(timeSpanBetween("", "2000-01-01 00:01:00"), 60);
    testing::FakeClock clock;
    const std::time_t stamp = parseLocalTime("2009-03-04 12:00:00");
    clock.set(std::chrono::system_clock::from_time_t(stamp + 90));
    EXPECT_EQ(timeSpanBetween("2009-03-04 12:00:00", "---", clock), 90);
    EXPECT_EQ(timeSpanBetween("2009-03-04", "2009-03-04 00:00:01"),
              1 + parseLocalTime("2009-03-04 00:00:00") - parseLocalTime("2000-01-01 00:00:00"));
}

TEST(PresentationTimeText, BatchReaderAgreesWithTheSystemOnEveryKindOfDay) {
    for (const char* zone : {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "UTC"}) {
        TimeZoneScope scope(zone);
        LocalTimeReader reader;
        // Every 7 minutes across both change days of 2009, plus a few broken stamps.
        for (const char* day :
             {"2009-03-08", "2009-03-29", "2009-04-05", "2009-10-04", "2009-10-25", "2009-11-01"}) {
            for (int minutes = 0; minutes < 1440; minutes += 7) {
                char stamp[32];
                std::snprintf(stamp, sizeof stamp, "%s %02d:%02d:%02d", day, minutes / 60, minutes % 60,
                              minutes % 60);
                if (minutes / 60 == 2 || minutes / 60 == 1)
                    continue; // the system's own choice in a fold may vary
                EXPECT_EQ(reader.read(stamp), parseLocalTime(stamp)) << zone << " " << stamp;
            }
        }
        for (const char* stamp : {"2009-02-31 10:00:00", "2009-13-01 00:00:00", "2009-03-29 25:61:00", "x"})
            EXPECT_EQ(reader.read(stamp), parseLocalTime(stamp)) << zone << " " << stamp;
    }
}

TEST(PresentationTimeText, ChartTimeIsTheWallClockReading) {
    EXPECT_EQ(parseChartTime("1970-01-01 00:00:00"), 0.0);
    EXPECT_EQ(parseChartTime("2009-03-04 13:05:07"), 1236171907.0);
    EXPECT_EQ(parseChartTime("2009-13-01 00:00:00"), parseChartTime("2010-01-01 00:00:00"));
    EXPECT_EQ(parseChartTime("2000-02-29 00:00:00") + 86400.0, parseChartTime("2000-03-01 00:00:00"));
    EXPECT_EQ(parseChartTime("2009-03-04"), parseChartTime("2009-03-04 00:00:00"));
}

} // namespace
} // namespace nimbrel
