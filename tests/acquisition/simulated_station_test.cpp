// End to end over the simulated station: two polling cycles hours apart fill the history file with
// every record of the ring once, in order, stamped an interval apart, with rain totals that a
// recomputation from the file confirms.
#include "acquisition/connection_watch.h"
#include "acquisition/monitor_thread.h"
#include "outputs/output_setup.h"
#include "presentation/rain_totals.h"
#include "presentation/time_text.h"
#include "station/history_record.h"
#include "station/station_access.h"
#include "store/history_store.h"
#include "tests/sim/sim_library.h"
#include "tests/support/fake_clock.h"
#include "tests/support/local_http_server.h"
#include "tests/support/loopback_port.h"
#include "tests/support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace nimbrel {
namespace {

using namespace std::chrono_literals;

class QuietListener final : public MonitorListener {
public:
    void showReading(const StationSettings&, const WeatherSample&) override { ++readings; }
    void showAlarmLamps(const AlarmThresholds&, const StationSettings&, const WeatherSample&) override {}
    void showMinMax(const StationSettings&, const MinMaxTable&) override {}
    void setTitle(const std::string&) override {}
    void postStatus(const std::string& text) override { last = text; }
    bool windowExists() override { return true; }
    int readings = 0;
    std::string last;
};

unsigned parseAddress(const std::string& hex) {
    return static_cast<unsigned>(std::stoul(hex, nullptr, 16));
}

TEST(AcquisitionOverSimulator, TwoCyclesStoreTheWholeRingOnceInOrder) {
    testing::SimLibrary sim;
    ASSERT_TRUE(sim.loaded()) << "libnimbrel-sim.so not found in " NIMBREL_BIN_DIR;
    constexpr std::time_t kStart = 1700000000;
    sim.reset("seed=5 start=1700000000 speed=0");

    testing::FakeClock clock(std::chrono::system_clock::from_time_t(kStart));
    testing::TempDir dir;
    HistoryStore store((dir / "Nimbrel.dat").string(), clock);
    store.setDebugFlag(true); // lines carry the record bytes, to compare with the station's memory
    StationAccess station(loadUsbLibrary(NIMBREL_BIN_DIR "/libnimbrel-sim.so"), clock, false);
    ConnectionWatch watch(station, true);
    ASSERT_TRUE(watch.tick().connected);
    ASSERT_TRUE(station.isSynchronised());

    QuietListener listener;
    MonitorThread monitor(station, store, listener, AcquisitionTexts{}, false, clock);
    monitor.runCycle();
    EXPECT_TRUE(monitor.lastCycleComplete());
    EXPECT_EQ(monitor.lastFetchCount(), 4079); // a full ring: every completed record
    EXPECT_EQ(listener.readings, 1);

    // Three hours later on both clocks: 36 more records of five minutes.
    sim.advance(3 * 3600);
    clock.advance(3h);
    monitor.runCycle();
    EXPECT_TRUE(monitor.lastCycleComplete());
    EXPECT_EQ(monitor.lastFetchCount(), 36);
    EXPECT_NE(listener.last.find("Read Records: 36 (Total Records: 4115)."), std::string::npos)
        << listener.last;

    SampleList stored;
    store.forEachRecord([&](const WeatherSample& r) {
        stored.push_back(r);
        return true;
    });
    ASSERT_EQ(stored.size(), 4115u);
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const WeatherSample& r = stored[i];
        ASSERT_EQ(r[WeatherSample::ID], std::to_string(i + 1));
        if (i == 0) continue;
        const unsigned before = parseAddress(stored[i - 1][WeatherSample::hexAdd]);
        ASSERT_EQ(parseAddress(r[WeatherSample::hexAdd]), before == 0xFFF0 ? 0x0100u : before + 16) << i;
        ASSERT_EQ(parseLocalTime(r[WeatherSample::sampleTime]) -
                      parseLocalTime(stored[i - 1][WeatherSample::sampleTime]),
                  std::stol(r[WeatherSample::sampleCircle]) * 60)
            << i;
    }

    // The newest 4,079 stored records are what the ring holds now, byte for byte.
    for (std::size_t i = stored.size() - 4079; i < stored.size(); ++i) {
        const unsigned address = parseAddress(stored[i][WeatherSample::hexAdd]);
        const auto bytes = sim.peek(address, 16);
        WeatherSample fresh;
        decodeRecord(std::span<const std::uint8_t, 16>(bytes.data(), 16), fresh);
        std::string expected = fresh[WeatherSample::hexValue];
        while (!expected.empty() && expected.back() == ' ')
            expected.pop_back(); // the file keeps no end blanks
        ASSERT_EQ(stored[i][WeatherSample::hexValue], expected) << i;
    }

    // A record's rain totals are those of a walk over the records stored before it. Each walk goes
    // back through the whole file, so every tenth record is checked, and all around the second cycle.
    const int fields[] = {WeatherSample::rainMm,   WeatherSample::increment, WeatherSample::hourRain,
                          WeatherSample::dayRain,  WeatherSample::weekRain,  WeatherSample::monthRain,
                          WeatherSample::totalRain};
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (i % 10 != 0 && i + 60 < stored.size()) continue;
        WeatherSample again = stored[i];
        computeRainTotals(again, std::span(stored).first(i), clock);
        for (int f : fields) ASSERT_EQ(again[f], stored[i][f]) << i << " " << WeatherSample::nameOf(f);
    }
}

// A weather-network server that never answers and a broker that is not there hold up no station
// cycle: the cycles take as long as without outputs, and the outputs still stop at once.
TEST(AcquisitionOverSimulator, DeadOutputsCostAStationCycleNoTime) {
    testing::SimLibrary sim;
    ASSERT_TRUE(sim.loaded()) << "libnimbrel-sim.so not found in " NIMBREL_BIN_DIR;
    sim.reset("seed=7 start=1700000000 speed=0");
    testing::FakeClock clock(std::chrono::system_clock::from_time_t(1700000000));
    testing::TempDir dir;
    HistoryStore store((dir / "Nimbrel.dat").string(), clock);
    StationAccess station(loadUsbLibrary(NIMBREL_BIN_DIR "/libnimbrel-sim.so"), clock, false);
    ConnectionWatch watch(station, true);
    ASSERT_TRUE(watch.tick().connected);
    QuietListener listener;
    MonitorThread monitor(station, store, listener, AcquisitionTexts{}, false, clock);
    monitor.runCycle(); // the first download, not timed

    // Cycles five minutes apart, each with its new record and its reading.
    const auto timeCycles = [&] {
        std::vector<double> ms;
        for (int i = 0; i < 8; ++i) {
            sim.advance(300);
            clock.advance(5min);
            const auto before = std::chrono::steady_clock::now();
            monitor.runCycle();
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count());
        }
        std::sort(ms.begin(), ms.end());
        return ms;
    };
    const std::vector<double> without = timeCycles();

    testing::LocalHttpServer silent("");
    const testing::RefusingPort noBroker;
    OutputSettings settings;
    settings.upload.url = silent.url("/");
    settings.upload.intervalSeconds = 60;
    settings.mqtt.host = "127.0.0.1";
    settings.mqtt.port = noBroker.port();
    std::unique_ptr<OutputQueue> outputs = makeOutputQueue(settings, "test", {});
    outputs->start();
    monitor.setOutputSink(outputs.get());
    const std::vector<double> with = timeCycles();

    // The upload hangs on its first reading meanwhile.
    for (int i = 0; i < 100 && silent.requests().empty(); ++i) std::this_thread::sleep_for(20ms);
    EXPECT_EQ(silent.requests().size(), 1u);
    std::printf("station cycle, median of 8: %.1f ms without outputs, %.1f ms with dead ones (longest %.1f, %.1f)\n",
                without[4], with[4], without.back(), with.back());
    // A blocking output would add its 20-second timeout.
    EXPECT_LT(with.back(), without.back() + 1000);
    const auto before = std::chrono::steady_clock::now();
    outputs->stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
}

} // namespace
} // namespace nimbrel
