// StationWork: a window's exchange with the station, run off the user-interface thread while the
// window shows that it waits.
#pragma once

#include "ui/background_task.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QWidget>
#include <functional>
#include <utility>

namespace nimbrel {

// The station may be held by a download or another program for seconds, and a silent station takes
// two seconds a report to give up on: none of that may freeze a window. While the work runs the
// window (if any) has a busy cursor and, when it is to be `blocked` (a dialog over its own form),
// takes no input; its result reaches `done` on the user-interface thread. One work at a time per
// window: a window ignores its commands while running() (the main window) or cannot be clicked (a
// dialog).
class StationWork {
public:
    StationWork(QWidget* window, bool blocked) : window_(window), blocked_(blocked) {}

    template <class Result> void run(std::function<Result()> work, std::function<void(Result&)> done) {
        if (window_) {
            window_->setCursor(Qt::BusyCursor);
            if (blocked_) window_->setEnabled(false);
        }
        task_.start<Result>(&receiver_, std::move(work), [this, done = std::move(done)](Result& result) {
            if (window_) {
                window_->unsetCursor();
                if (blocked_) window_->setEnabled(true);
            }
            done(result);
        });
    }

    bool running() const { return task_.running(); }

    // Handles the window's events until the work is over and its result handed to `done`: for a test
    // that looks at the result, and for a window that is going away.
    void finish() {
        while (task_.running()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

private:
    QWidget* window_;
    bool blocked_;
    QObject receiver_;    // the results' way onto the user-interface thread
    BackgroundTask task_; // declared last: its thread ends before the receiver goes
};

} // namespace nimbrel
