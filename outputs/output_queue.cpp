#include "outputs/output_queue.h"

namespace nimbrel {

OutputQueue::OutputQueue(std::vector<std::unique_ptr<Output>> outputs, std::size_t capacity)
    : outputs_(std::move(outputs)), capacity_(capacity == 0 ? 1 : capacity) {}

OutputQueue::~OutputQueue() {
    stop();
}

void OutputQueue::start() {
    if (outputs_.empty() || thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = false;
    }
    for (auto& output : outputs_) output->start();
    thread_ = std::thread([this] { run(); });
}

void OutputQueue::stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    thread_.join();
    for (auto& output : outputs_) output->stop();
}

void OutputQueue::newReading(const WeatherSample& reading, std::time_t time) {
    if (!thread_.joinable()) return;
    push(outputReadingOf(reading, time, false));
}

void OutputQueue::newRecords(const SampleList& records) {
    if (!thread_.joinable() || records.empty()) return;
    if (auto reading = outputReadingOfRecord(records.front())) push(std::move(*reading));
}

void OutputQueue::push(OutputReading reading) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) return;
        if (queue_.size() >= capacity_) {
            queue_.pop_front();
            ++dropped_;
        }
        queue_.push_back(std::move(reading));
    }
    wake_.notify_one();
}

void OutputQueue::run() {
    for (;;) {
        OutputReading reading;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            reading = std::move(queue_.front());
            queue_.pop_front();
        }
        for (auto& output : outputs_) output->publish(reading);
    }
}

} // namespace nimbrel
