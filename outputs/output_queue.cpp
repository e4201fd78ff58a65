#include "outputs/output_queue.h"

namespace nimbrel {
namespace {

// 1, 10, 100, ...: a lasting outage is told of now and then, not once per reading.
bool isPowerOfTen(unsigned long long n) {
    while (n >= 10 && n % 10 == 0) n /= 10;
    return n == 1;
}

} // namespace

OutputQueue::OutputQueue(std::vector<std::unique_ptr<Output>> outputs, std::size_t capacity,
                         std::function<void(const std::string&)> status)
    : capacity_(capacity == 0 ? 1 : capacity), status_(std::move(status)) {
    for (auto& output : outputs) {
        lanes_.push_back(std::make_unique<Lane>());
        lanes_.back()->output = std::move(output);
    }
}

OutputQueue::~OutputQueue() {
    stop();
}

void OutputQueue::start() {
    if (lanes_.empty() || running_) return;
    for (auto& lane : lanes_) {
        {
            std::lock_guard<std::mutex> lock(lane->mutex);
            lane->stopping = false;
        }
        lane->output->start();
        lane->thread = std::thread([&lane = *lane] { run(lane); });
    }
    running_ = true;
}

void OutputQueue::stop() {
    if (!running_) return;
    running_ = false;
    for (auto& lane : lanes_) {
        {
            std::lock_guard<std::mutex> lock(lane->mutex);
            lane->stopping = true;
            lane->queue.clear();
            lane->problem.reset();
        }
        lane->wake.notify_all();
        lane->output->interrupt();
    }
    for (auto& lane : lanes_) lane->thread.join();
    for (auto& lane : lanes_) lane->output->stop();
}

void OutputQueue::newReading(const WeatherSample& reading, std::time_t time,
                             std::optional<double> rainSinceMidnightMm) {
    if (!running_) return;
    push(outputReadingOf(reading, time, false, rainSinceMidnightMm));
}

void OutputQueue::newRecords(const SampleList& records) {
    if (!running_ || records.empty()) return;
    if (auto reading = outputReadingOfRecord(records.front())) push(*reading);
}

void OutputQueue::stationProblem(bool on) {
    if (!running_) return;
    for (auto& lane : lanes_) {
        {
            std::lock_guard<std::mutex> lock(lane->mutex);
            if (lane->stopping) continue;
            lane->problem = on;
        }
        lane->wake.notify_one();
    }
}

unsigned long long OutputQueue::dropped() const {
    unsigned long long total = 0;
    for (const auto& lane : lanes_) total += lane->dropped.load();
    return total;
}

void OutputQueue::push(const OutputReading& reading) {
    for (auto& lane : lanes_) {
        unsigned long long dropped = 0;
        {
            std::lock_guard<std::mutex> lock(lane->mutex);
            if (lane->stopping) continue;
            if (lane->queue.size() >= capacity_) {
                lane->queue.pop_front();
                dropped = ++lane->dropped;
            }
            lane->queue.push_back(reading);
        }
        lane->wake.notify_one();
        if (dropped > 0 && isPowerOfTen(dropped) && status_)
            status_(lane->output->name() + ": the network is too slow; " + std::to_string(dropped) +
                    (dropped == 1 ? " reading" : " readings") + " dropped so far");
    }
}

void OutputQueue::run(Lane& lane) {
    for (;;) {
        std::optional<OutputReading> reading;
        std::optional<bool> problem;
        {
            std::unique_lock<std::mutex> lock(lane.mutex);
            lane.wake.wait(lock, [&] { return lane.stopping || lane.problem || !lane.queue.empty(); });
            if (lane.stopping) return;
            if (lane.problem) {
                problem.swap(lane.problem);
            } else {
                reading = std::move(lane.queue.front());
                lane.queue.pop_front();
            }
        }
        if (problem)
            lane.output->stationProblem(*problem);
        else
            lane.output->publish(*reading);
    }
}

} // namespace nimbrel
