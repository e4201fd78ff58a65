// ViewListener: the acquisition thread's way into the window, every call queued onto the window's thread.
#pragma once

#include "acquisition/monitor_listener.h"

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <mutex>

namespace nimbrel {

class WeatherView;

// Lives on the user-interface thread; the monitor thread calls it. Each call copies its
// arguments and queues the work onto this object, so a call still queued when the window goes
// away is dropped with it. postStatus waits until the text is shown, but never past
// beginClosing(): the window calls that before it joins the thread, so a thread caught in a
// status call is released and can see its stop request.
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

    // From the user-interface thread, before the thread is stopped and joined.
    void beginClosing();

private:
    // The status text (and the progress, unless `total` is negative) shown on the window's thread;
    // returns once they are.
    void showAndWait(const std::string& text, long long done, long long total);

    WeatherView& view_;
    std::mutex mutex_;
    std::condition_variable shown_;
    bool closing_ = false;
    std::uint64_t statusPosted_ = 0;
    std::uint64_t statusShown_ = 0;
};

} // namespace nimbrel
