#include "station/clock.h"

#include <thread>

namespace nimbrel {

void SystemClock::sleepFor(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

Clock& systemClock() {
    static SystemClock clock;
    return clock;
}

}  // namespace nimbrel
