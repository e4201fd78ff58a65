// OutputQueue: the outputs' threads and the bounded queues that feed them from the acquisition thread.
#pragma once

#include "outputs/output.h"
#include "outputs/output_sink.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace nimbrel {

// Each output has a thread and a queue of its own, so a weather network that does not answer holds
// up neither the station cycle nor the MQTT broker. A dead network must never delay a station cycle,
// and a queue that grows while the network is gone would grow without end: when full, the oldest
// waiting reading makes room and is counted.
class OutputQueue final : public OutputSink, public AlertSink {
public:
    static constexpr std::size_t kDefaultCapacity = 256;

    // `status` (when set) hears of dropped readings, from the acquisition thread.
    explicit OutputQueue(std::vector<std::unique_ptr<Output>> outputs, std::size_t capacity = kDefaultCapacity,
                         std::function<void(const std::string&)> status = {});
    // Stops the threads.
    ~OutputQueue() override;
    OutputQueue(const OutputQueue&) = delete;
    OutputQueue& operator=(const OutputQueue&) = delete;

    // Starts the outputs and their threads. Without outputs nothing starts and every reading is ignored.
    void start();
    // Interrupts what each output is sending, ends the threads (the rest of the queues is dropped
    // uncounted) and stops the outputs.
    void stop();

    void newReading(const WeatherSample& reading, std::time_t time,
                    std::optional<double> rainSinceMidnightMm) override;
    // The records themselves are read by each output from the history file, from where it stands
    // (outputs/record_feed.h): this only says that there are new ones.
    void newRecords(const SampleList& records) override;
    // Kept beside the readings, never behind them: a full queue cannot push it out, and each output
    // hears of it before the readings still waiting. Only the newest state waits: a problem that began
    // and ended before the output got to it is over, and it hears that it is.
    void stationProblem(bool on) override;
    // Alerts wait beside the readings too, every change in order (they are few).
    void alert(const Alert& alert) override;

    // Readings dropped because a queue was full, since the start, over all outputs.
    unsigned long long dropped() const;
    bool running() const { return running_; }

private:
    struct Lane {
        std::unique_ptr<Output> output;
        std::mutex mutex;
        std::condition_variable wake;
        std::deque<OutputReading> queue;
        std::optional<bool> problem; // a change not yet told to the output
        std::deque<Alert> alerts;
        bool recordsStored = false;
        bool stopping = false;
        std::atomic<unsigned long long> dropped{0};
        std::thread thread;
    };
    void push(const OutputReading& reading);
    static void run(Lane& lane);

    std::vector<std::unique_ptr<Lane>> lanes_;
    std::size_t capacity_;
    std::function<void(const std::string&)> status_;
    bool running_ = false;
};

} // namespace nimbrel
