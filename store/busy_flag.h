// The history store's busy flag: a lock that a caller may also wait for for a bounded time. It is a
// plain mutex and a condition variable, so ThreadSanitizer follows every wait on it (it misreads the
// timed waits of std::timed_mutex).
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace nimbrel {

class BusyFlag {
public:
    void lock() {
        std::unique_lock guard(mutex_);
        freed_.wait(guard, [this] { return !held_; });
        held_ = true;
    }
    bool try_lock() {
        std::lock_guard guard(mutex_);
        if (held_) return false;
        held_ = true;
        return true;
    }
    template <class Rep, class Period> bool try_lock_for(const std::chrono::duration<Rep, Period>& patience) {
        std::unique_lock guard(mutex_);
        if (!freed_.wait_for(guard, patience, [this] { return !held_; })) return false;
        held_ = true;
        return true;
    }
    void unlock() {
        {
            std::lock_guard guard(mutex_);
            held_ = false;
        }
        freed_.notify_one();
    }

private:
    std::mutex mutex_;
    std::condition_variable freed_;
    bool held_ = false;
};

} // namespace nimbrel
