// ViewListener: the acquisition thread's way into the window, every call queued onto the window's thread.
#pragma once

#include "acquisition/monitor_listener.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace nimbrel {

class WeatherView;

// Lives on the user-interface thread; the acquisition thread calls it. Each call copies its arguments
// and queues the work onto this object, so a call still queued when the window goes away is dropped
// with it. No call waits for the window: a window held up (a modal dialog's first paint, a long
// search) never slows a download. Progress is sent only when its text changes, and only the latest
// of it: while one progress call is still queued, a newer one replaces its values instead of queuing
// another (a first download steps through thousands of them).
class ViewListener final : public QObject, public MonitorListener {
    Q_OBJECT
public:
    explicit ViewListener(WeatherView& view);

    void showReading(const StationSettings& settings, const WeatherSample& reading) override;
    void showAlarmLamps(const AlarmThresholds& alarms, const StationSettings& settings,
                        const WeatherSample& reading) override;
    void showMinMax(const StationSettings& settings, const MinMaxTable& table) override;
    void setTitle(const std::string& title) override;
    void postStatus(const std::string& text) override;
    void showProgress(const std::string& text, long long done, long long total) override;
    void endProgress() override;
    bool windowExists() override;

    // From the user-interface thread, before the thread is stopped and joined: nothing more is queued.
    void beginClosing();

private:
    struct Progress {
        QString text;
        long long done = 0;
        long long total = 0;
    };
    // Queues `work` onto the window's thread, unless the window is closing.
    void queue(std::function<void()> work);
    // The progress not yet shown, taken out to go with a text queued now.
    std::optional<Progress> takePending();
    void show(const Progress& progress);

    WeatherView& view_;
    std::mutex mutex_;
    bool closing_ = false;
    std::optional<Progress> pending_; // the newest progress, until a queued call shows it
    std::uint64_t round_ = 1;         // moves on with every status text and end of progress
    std::uint64_t queuedRound_ = 0;   // the round whose progress call is queued
    std::string lastProgressText_;    // the last progress text sent, on the acquisition thread's side
};

} // namespace nimbrel
