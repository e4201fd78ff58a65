// BackgroundTask: one piece of a window's work on a thread of its own, its result handed back to the window.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

namespace nimbrel {

// A window runs at most one task at a time (it disables its commands meanwhile). The work must not
// touch widgets; its result reaches `done` through the window's event queue, on the user-interface
// thread. The window's destructor calls wait() before anything the work uses goes away.
class BackgroundTask {
public:
    BackgroundTask() = default;
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;
    ~BackgroundTask() { wait(); }

    template <class Result>
    void start(QObject* window, std::function<Result()> work, std::function<void(Result&)> done) {
        wait();
        running_ = true;
        // The window outlives the thread (its destructor waits), so posting to it is safe; a result
        // posted just before the window went away is discarded with its event queue.
        thread_ = std::thread([this, window, work = std::move(work), done = std::move(done)] {
            auto result = std::make_shared<Result>(work());
            QMetaObject::invokeMethod(
                window,
                [this, result, done] {
                    wait(); // the thread has nothing left to do but end
                    done(*result);
                },
                Qt::QueuedConnection);
        });
    }

    // True from start() until the result has been handed over (or the task waited for).
    bool running() const { return running_; }

    // Blocks until the thread has ended.
    void wait() {
        if (thread_.joinable()) thread_.join();
        running_ = false;
    }

private:
    std::thread thread_;
    bool running_ = false;
};

} // namespace nimbrel
