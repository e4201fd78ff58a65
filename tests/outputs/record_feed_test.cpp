// The records an output has not had: read from the history from a kept position, oldest first, with
// their own time and rain, and the position kept whole across a restart.
#include "outputs/record_feed.h"
#include "tests/support/hourly_history.h"

#include <fstream>
#include <gtest/gtest.h>
#include <memory>

namespace nimbrel {
namespace {

using W = WeatherSample;
using namespace std::chrono_literals;

using testing::hourAddress;
using testing::hourStamp;
using testing::kMarch1;

struct History : testing::HourlyHistory {
    std::unique_ptr<RecordFeed> feed(int days = 7) { return std::make_unique<RecordFeed>(file, position, days, clock); }
};

std::optional<double> valueOf(const OutputReading& reading, const std::string& name) {
    for (const OutputValue& v : reading.values)
        if (v.name == name) return v.value;
    return std::nullopt;
}

TEST(RecordFeed, RecordsAfterAPositionComeOldestFirstWithTheirOwnTimeIdAndRainOfTheirDay) {
    History h;
    h.store(20, 50); // 20:00 on March 1 to 02:00 on March 3
    auto feed = h.feed();
    const std::vector<StoredRecord> next = feed->after({hourStamp(47), hourAddress(47)}, 2); // after 23:00 on March 2
    ASSERT_EQ(next.size(), 2u);
    EXPECT_EQ(next[0].position, (RecordPosition{"2026-03-03 00:00:00", hourAddress(48)}));
    EXPECT_EQ(next[0].id, "29");
    EXPECT_EQ(next[0].reading.time, kMarch1 + 48 * 3600);
    EXPECT_TRUE(next[0].reading.stored);
    EXPECT_EQ(valueOf(next[0].reading, "rain_today"), 0.0); // midnight: the day has just begun
    EXPECT_EQ(valueOf(next[1].reading, "rain_today"), 0.3);
    EXPECT_EQ(valueOf(next[1].reading, "outdoor_temperature"), 12.5);
    EXPECT_EQ(feed->after({hourStamp(50), hourAddress(50)}, 5).size(), 0u);

    // A day the history does not reach back before has no rain since midnight to tell.
    EXPECT_FALSE(valueOf(feed->after({hourStamp(19), hourAddress(19)}, 1)[0].reading, "rain_today"));
    EXPECT_EQ(valueOf(feed->after({hourStamp(24), hourAddress(24)}, 3)[2].reading, "rain_today"), 0.9);

    // A position that was deleted: the records sampled after its time.
    EXPECT_EQ(feed->after({hourStamp(45), "FFFFFF"}, 10).size(), 5u);
}

TEST(RecordFeed, NothingOlderThanTheCatchUpDaysIsSent) {
    History h;
    h.store(0, 50);
    auto feed = h.feed(1); // now is hour 50: hour 26 is exactly a day old
    const std::vector<StoredRecord> all = feed->after({hourStamp(0), hourAddress(0)}, 100);
    ASSERT_EQ(all.size(), 25u);
    EXPECT_EQ(all.front().position.sampleTime, hourStamp(26));
}

TEST(RecordFeed, AKeptPositionGoesOnAfterARestartAndAMissingOrDamagedOneStartsAtTheNewestRecord) {
    History h;
    h.store(40, 50);
    auto first = h.feed();
    first->begin(); // no file yet: "now" is the newest record, kept at once
    EXPECT_EQ(first->position(), (RecordPosition{hourStamp(50), hourAddress(50)}));
    EXPECT_EQ(h.dir.read("output.position"), hourStamp(50) + "\t" + hourAddress(50) + "\n");
    first->keep({hourStamp(44), hourAddress(44)});
    auto again = h.feed();
    again->begin();
    EXPECT_EQ(again->position(), (RecordPosition{hourStamp(44), hourAddress(44)}));

    std::ofstream(h.position) << "2026-03-0\t0001A0\n"; // cut short
    auto damaged = h.feed();
    damaged->begin();
    EXPECT_EQ(damaged->position().sampleTime, hourStamp(50));

    // Before the first record "now" is this moment, and a first download's ring is older than it.
    History empty;
    auto fresh = empty.feed();
    fresh->begin();
    EXPECT_EQ(fresh->position(), (RecordPosition{hourStamp(50), ""}));
    empty.store(10, 49);
    EXPECT_TRUE(fresh->after(fresh->position(), 100).empty());
}

} // namespace
} // namespace nimbrel
