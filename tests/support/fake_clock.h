// FakeClock: a clock for tests whose sleeps return at once and move time forward.
#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include "station/clock.h"

namespace nimbrel::testing {

class FakeClock final : public Clock {
public:
    explicit FakeClock(TimePoint start = TimePoint{} + std::chrono::hours(24 * 365 * 50)) : now_(start) {}

    TimePoint now() override {
        std::lock_guard lock(mutex_);
        return now_;
    }
    void sleepFor(std::chrono::milliseconds duration) override {
        std::lock_guard lock(mutex_);
        now_ += duration;
        sleeps_.push_back(duration);
    }
    void advance(std::chrono::milliseconds duration) {
        std::lock_guard lock(mutex_);
        now_ += duration;
    }
    void set(TimePoint t) {
        std::lock_guard lock(mutex_);
        now_ = t;
    }
    // Every sleep asked for, in order.
    std::vector<std::chrono::milliseconds> sleeps() const {
        std::lock_guard lock(mutex_);
        return sleeps_;
    }
    std::chrono::milliseconds totalSlept() const {
        std::lock_guard lock(mutex_);
        std::chrono::milliseconds total{0};
        for (auto d : sleeps_) total += d;
        return total;
    }

private:
    mutable std::mutex mutex_;
    TimePoint now_;
    std::vector<std::chrono::milliseconds> sleeps_;
};

}  // namespace nimbrel::testing
