// Clock: every "now" and every wait of the program goes through one of these, so tests never sleep.
#pragma once

#include <chrono>
#include <ctime>

namespace nimbrel {

class Clock {
public:
    using TimePoint = std::chrono::system_clock::time_point;
    virtual ~Clock() = default;
    virtual TimePoint now() = 0;
    virtual void sleepFor(std::chrono::milliseconds duration) = 0;

    // The PC's current time in whole seconds, for time stamps.
    std::time_t nowSeconds() { return std::chrono::system_clock::to_time_t(now()); }
};

// The real clock: system time and real sleeps.
class SystemClock final : public Clock {
public:
    TimePoint now() override { return std::chrono::system_clock::now(); }
    void sleepFor(std::chrono::milliseconds duration) override;
};

// The process-wide real clock.
Clock& systemClock();

}  // namespace nimbrel
