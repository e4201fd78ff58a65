// OutputQueue: the outputs' own thread and the bounded queue that feeds it from the acquisition thread.
#pragma once

#include "outputs/output.h"
#include "outputs/output_sink.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace nimbrel {

// A dead network must never delay a station cycle, and a queue that grows while the network is gone
// would grow without end: when full, the oldest waiting reading makes room and is counted.
class OutputQueue final : public OutputSink {
public:
    static constexpr std::size_t kDefaultCapacity = 256;

    explicit OutputQueue(std::vector<std::unique_ptr<Output>> outputs, std::size_t capacity = kDefaultCapacity);
    // Stops the thread.
    ~OutputQueue() override;
    OutputQueue(const OutputQueue&) = delete;
    OutputQueue& operator=(const OutputQueue&) = delete;

    // Starts the outputs and the thread. Without outputs nothing starts and every reading is ignored.
    void start();
    // Ends the thread after the reading it is handing on (the rest of the queue is dropped uncounted)
    // and stops the outputs.
    void stop();

    void newReading(const WeatherSample& reading, std::time_t time) override;
    // Only the newest record of a batch is queued: a first download stores weeks of records at once,
    // all saved now, and the outputs want to know what the history holds, not to replay it.
    void newRecords(const SampleList& records) override;

    // Readings dropped because the queue was full, since the start.
    unsigned long long dropped() const { return dropped_.load(); }
    bool running() const { return thread_.joinable(); }

private:
    void push(OutputReading reading);
    void run();

    std::vector<std::unique_ptr<Output>> outputs_;
    std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<OutputReading> queue_;
    bool stopping_ = false;
    std::atomic<unsigned long long> dropped_{0};
    std::thread thread_;
};

} // namespace nimbrel
