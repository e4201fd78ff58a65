// The outputs' queue: the acquisition thread never waits for it, and a full queue drops its oldest.
#include "outputs/output_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace nimbrel {
namespace {

using namespace std::chrono_literals;

// Holds the first reading until released, as a network that hangs would.
class StuckOutput final : public Output {
public:
    std::string name() const override { return "stuck"; }
    void start() override {}
    void stop() override {}
    void publish(const OutputReading& reading) override {
        std::unique_lock<std::mutex> lock(mutex);
        times.push_back(reading.time);
        changed.notify_all();
        changed.wait(lock, [this] { return released; });
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

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::time_t> times;
    bool released = false;
};

WeatherSample sampleWithTemperature(const char* text) {
    WeatherSample sample;
    sample[WeatherSample::outTemp] = text;
    return sample;
}

TEST(OutputQueue, FullQueueDropsOldestWithoutEverBlockingTheCaller) {
    auto owned = std::make_unique<StuckOutput>();
    StuckOutput& output = *owned;
    std::vector<std::unique_ptr<Output>> outputs;
    outputs.push_back(std::move(owned));
    OutputQueue queue(std::move(outputs), 3);
    queue.start();

    queue.newReading(sampleWithTemperature("1.0"), 101);
    ASSERT_TRUE(output.waitForCount(1));
    // The output hangs on 101; six more arrive for three places: 102, 103 and 104 make room.
    const auto before = std::chrono::steady_clock::now();
    for (std::time_t t = 102; t <= 107; ++t) queue.newReading(sampleWithTemperature("1.0"), t);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 100ms);
    EXPECT_EQ(queue.dropped(), 3u);

    output.release();
    ASSERT_TRUE(output.waitForCount(4));
    queue.stop();
    EXPECT_EQ(output.times, (std::vector<std::time_t>{101, 105, 106, 107}));
}

TEST(OutputQueue, WithoutOutputsNothingRuns) {
    OutputQueue queue({});
    queue.start();
    EXPECT_FALSE(queue.running());
    queue.newReading(WeatherSample{}, 1);
    EXPECT_EQ(queue.dropped(), 0u);
}

} // namespace
} // namespace nimbrel
