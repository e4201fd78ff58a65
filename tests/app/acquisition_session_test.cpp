// The session's start and stop: a writer with SearchData on polls until stopped, a reader starts nothing,
// and the readings an output could not take are counted when the session stops.
#include "app/acquisition_session.h"
#include "store/history_store.h"
#include "station/usb_library.h"
#include "tests/support/fake_clock.h"
#include "tests/support/local_http_server.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_station.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace nimbrel {
namespace {

struct QuietListener final : MonitorListener {
    std::atomic<int> readings{0};
    void showReading(const StationSettings&, const WeatherSample&) override { ++readings; }
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


TEST(AppAcquisitionSession, ReadingsTheOutputsCouldNotTakeAreCountedAtStop) {
    testing::TempDir dir;
    testing::LocalHttpServer silent(""); // takes the upload's connection and never answers
    dir.write("Nimbrel.ini", "[upload]\nurl=" + silent.url("/u") + "\n");
    testing::FakeClock clock; // the test mode's cycles follow it without waiting
    StationAccess station(noUsbLibrary("test mode"), clock, true);
    HistoryStore store((dir.path() / "Nimbrel.dat").string(), clock);
    Configuration config;
    config.searchData = "true";
    config.testFlag = "true";
    QuietListener listener;
    AcquisitionSession session(dir.path(), FolderAccess::writer, config, station, store);
    ASSERT_TRUE(session.start({&listener, {}, {}}));
    // More readings than the upload's queue holds (256) while its request hangs.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (listener.readings < 300 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    session.stop();
    EXPECT_GE(listener.readings, 300);
    EXPECT_GT(session.outputsDropped(), 0);
}

} // namespace
} // namespace nimbrel
