#include "outputs/output_queue.h"

#include <chrono>

namespace nimbrel {
namespace {

constexpr std::size_t kMostWaitingAlerts = 1024;

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
            lane->alerts.clear();
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
    for (auto& lane : lanes_) {
        {
            std::lock_guard<std::mutex> lock(lane->mutex);
            lane->recordsStored = true;
        }
        lane->wake.notify_one();
    }
}

void OutputQueue::alert(const Alert& alert) {
    if (!running_) return;
    for (auto& lane : lanes_) {
        {
            std::lock_guard<std::mutex> lock(lane->mutex);
            if (lane->stopping || lane->alerts.size() >= kMostWaitingAlerts) continue;
            lane->alerts.push_back(alert);
        }
        lane->wake.notify_one();
    }
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
    using Clock = std::chrono::steady_clock;
    // The output's own work is looked at first thing: records stored while the program was not running.
    std::optional<Clock::time_point> catchUpDue = Clock::now();
    for (;;) {
        std::optional<OutputReading> reading;
        std::optional<bool> problem;
        std::optional<Alert> alert;
        {
            std::unique_lock<std::mutex> lock(lane.mutex);
            const auto ready = [&] {
                return lane.stopping || lane.problem || !lane.alerts.empty() || !lane.queue.empty() ||
                       lane.recordsStored || (catchUpDue && Clock::now() >= *catchUpDue);
            };
            if (catchUpDue)
                lane.wake.wait_until(lock, *catchUpDue, ready);
            else
                lane.wake.wait(lock, ready);
            if (lane.stopping) return;
            if (lane.problem) {
                problem.swap(lane.problem);
            } else if (!lane.alerts.empty()) {
                alert = std::move(lane.alerts.front());
                lane.alerts.pop_front();
            } else if (!lane.queue.empty()) {
                reading = std::move(lane.queue.front());
                lane.queue.pop_front();
            } else if (lane.recordsStored || (catchUpDue && Clock::now() >= *catchUpDue)) {
                lane.recordsStored = false;
            } else {
                continue;
            }
        }
        if (problem) {
            lane.output->stationProblem(*problem);
        } else if (alert) {
            lane.output->alert(*alert);
        } else if (reading) {
            lane.output->publish(*reading);
        } else {
            const std::optional<std::chrono::milliseconds> next = lane.output->catchUp();
            catchUpDue = next ? std::optional(Clock::now() + *next) : std::nullopt;
        }
    }
}

} // namespace nimbrel
