// The outputs' queue: the acquisition thread never waits for it, and a full queue drops its oldest.
#include "outputs/output_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

namespace nimbrel {
namespace {

using namespace std::chrono_literals;

// Keeps the time of each reading. A stuck one holds the first reading until released, as a network
// that hangs would.
class RecordingOutput final : public Output {
public:
    explicit RecordingOutput(bool stuck = true) : label(stuck ? "stuck" : "quick"), released(!stuck) {}
    std::string name() const override { return label; }
    void start() override {}
    void stop() override {}
    void publish(const OutputReading& reading) override {
        std::unique_lock<std::mutex> lock(mutex);
        times.push_back(reading.time);
        changed.notify_all();
        changed.wait(lock, [this] { return released; });
    }
    // With the number of readings the output had been given by then.
    void stationProblem(bool on) override {
        std::lock_guard<std::mutex> lock(mutex);
        problems.emplace_back(on, times.size());
        changed.notify_all();
    }
    void release() {
        std::lock_guard<std::mutex> lock(mutex);
        released = true;
        changed.notify_all();
    }
    bool waitForCount(std::size_t n) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, 5s, [&] { return times.size() >= n; });
    }

    const std::string label;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::time_t> times;
    std::vector<std::pair<bool, std::size_t>> problems;
    bool released;
};

WeatherSample sampleWithTemperature(const char* text) {
    WeatherSample sample;
    sample[WeatherSample::outTemp] = text;
    return sample;
}

TEST(OutputQueue, FullQueueDropsOldestWithoutEverBlockingTheCaller) {
    auto owned = std::make_unique<RecordingOutput>();
    RecordingOutput& output = *owned;
    std::vector<std::unique_ptr<Output>> outputs;
    outputs.push_back(std::move(owned));
    OutputQueue queue(std::move(outputs), 3);
    queue.start();

    queue.newReading(sampleWithTemperature("1.0"), 101, std::nullopt);
    ASSERT_TRUE(output.waitForCount(1));
    // The output hangs on 101; six more arrive for three places: 102, 103 and 104 make room.
    const auto before = std::chrono::steady_clock::now();
    for (std::time_t t = 102; t <= 107; ++t) queue.newReading(sampleWithTemperature("1.0"), t, std::nullopt);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 100ms);
    EXPECT_EQ(queue.dropped(), 3u);

    output.release();
    ASSERT_TRUE(output.waitForCount(4));
    queue.stop();
    EXPECT_EQ(output.times, (std::vector<std::time_t>{101, 105, 106, 107}));
}

TEST(OutputQueue, AStationProblemIsNeverPushedOutByReadingsAndGoesBeforeThem) {
    auto owned = std::make_unique<RecordingOutput>();
    RecordingOutput& output = *owned;
    std::vector<std::unique_ptr<Output>> outputs;
    outputs.push_back(std::move(owned));
    OutputQueue queue(std::move(outputs), 2);
    queue.start();

    queue.newReading(sampleWithTemperature("1.0"), 101, std::nullopt);
    ASSERT_TRUE(output.waitForCount(1));
    // The output hangs on 101 with two places: 102 waits, the problem comes, 103 waits, 104 pushes out 102.
    queue.newReading(sampleWithTemperature("1.0"), 102, std::nullopt);
    queue.stationProblem(true);
    queue.newReading(sampleWithTemperature("1.0"), 103, std::nullopt);
    queue.newReading(sampleWithTemperature("1.0"), 104, std::nullopt);
    EXPECT_EQ(queue.dropped(), 1u);

    output.release();
    ASSERT_TRUE(output.waitForCount(3));
    queue.stop();
    EXPECT_EQ(output.times, (std::vector<std::time_t>{101, 103, 104}));
    EXPECT_EQ(output.problems, (std::vector<std::pair<bool, std::size_t>>{{true, 1}}));
}

TEST(OutputQueue, AHangingOutputHoldsUpNoOtherAndItsDropsAreToldAtOneTenAndAHundred) {
    auto stuckOwned = std::make_unique<RecordingOutput>();
    auto quickOwned = std::make_unique<RecordingOutput>(false);
    RecordingOutput& stuck = *stuckOwned;
    RecordingOutput& quick = *quickOwned;
    std::vector<std::unique_ptr<Output>> outputs;
    outputs.push_back(std::move(stuckOwned));
    outputs.push_back(std::move(quickOwned));
    std::vector<std::string> said;
    OutputQueue queue(std::move(outputs), 1, [&](const std::string& text) { said.push_back(text); });
    queue.start();

    queue.newReading(sampleWithTemperature("1.0"), 1, std::nullopt);
    ASSERT_TRUE(stuck.waitForCount(1));
    ASSERT_TRUE(quick.waitForCount(1));
    // The quick output goes on while the stuck one hangs on 1.
    queue.newReading(sampleWithTemperature("1.0"), 2, std::nullopt);
    ASSERT_TRUE(quick.waitForCount(2));
    // The stuck output holds 1 and keeps 2 in its one place; 3 ... 102 push out 100 readings.
    for (std::time_t t = 3; t <= 102; ++t) queue.newReading(sampleWithTemperature("1.0"), t, std::nullopt);
    std::vector<std::string> aboutStuck;
    for (const std::string& text : said)
        if (text.rfind("stuck:", 0) == 0) aboutStuck.push_back(text);
    EXPECT_EQ(aboutStuck, (std::vector<std::string>{"stuck: the network is too slow; 1 reading dropped so far",
                                                    "stuck: the network is too slow; 10 readings dropped so far",
                                                    "stuck: the network is too slow; 100 readings dropped so far"}));
    stuck.release();
    queue.stop();
}

TEST(OutputQueue, WithoutOutputsNothingRuns) {
    OutputQueue queue({});
    queue.start();
    EXPECT_FALSE(queue.running());
    queue.newReading(WeatherSample{}, 1, std::nullopt);
    EXPECT_EQ(queue.dropped(), 0u);
}

} // namespace
} // namespace nimbrel
