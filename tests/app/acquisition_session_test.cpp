// The session's start and stop over a scripted station: a writer with SearchData on polls, with or without
// outputs; a reader starts nothing.
#include "app/acquisition_session.h"
#include "store/history_store.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_station.h"

#include <gtest/gtest.h>

namespace nimbrel {
namespace {

struct QuietListener final : MonitorListener {
    void showReading(const StationSettings&, const WeatherSample&) override {}
    void showAlarmLamps(const AlarmThresholds&, const StationSettings&, const WeatherSample&) override {}
    void showMinMax(const StationSettings&, const MinMaxTable&) override {}
    void setTitle(const std::string&) override {}
    void postStatus(const std::string&) override {}
    bool windowExists() override { return true; }
};

TEST(AppAcquisitionSession, AWriterWithSearchDataPollsUntilStoppedAndAReaderStartsNothing) {
    testing::TempDir dir;
    testing::TestStation station;
    HistoryStore store((dir.path() / "Nimbrel.dat").string(), station.clock);
    Configuration config;
    config.searchData = "true";
    QuietListener listener;

    AcquisitionSession writer(dir.path(), FolderAccess::writer, config, *station.access, store);
    ASSERT_FALSE(writer.outputConfiguration().settings.anyEnabled()); // no outputs in this folder
    EXPECT_TRUE(writer.start({&listener, {}, {}}));
    EXPECT_TRUE(writer.polling());
    writer.stop();
    EXPECT_FALSE(writer.polling());

    AcquisitionSession reader(dir.path(), FolderAccess::readerLocked, config, *station.access, store);
    EXPECT_TRUE(reader.start({&listener, {}, {}}));
    EXPECT_FALSE(reader.polling());
}

} // namespace
} // namespace nimbrel
