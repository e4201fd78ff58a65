#include "ui/view_listener.h"

#include "station/alarm_thresholds.h"
#include "station/min_max_table.h"
#include "station/station_settings.h"
#include "ui/weather_view.h"

#include <QString>
#include <algorithm>

namespace nimbrel {

ViewListener::ViewListener(WeatherView& view) : QObject(&view), view_(view) {}

void ViewListener::queue(std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        if (closing_) return;
    }
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void ViewListener::showReading(const StationSettings& settings, const WeatherSample& reading) {
    queue([this, settings, reading] { view_.showReading(settings, reading); });
}

void ViewListener::showAlarmLamps(const AlarmThresholds& alarms, const StationSettings& settings,
                                  const WeatherSample& reading) {
    queue([this, alarms, settings, reading] { view_.showAlarmLamps(alarms, settings, reading); });
}

void ViewListener::showMinMax(const StationSettings& settings, const MinMaxTable& table) {
    queue([this, settings, table] { view_.showMinMax(settings, table); });
}

void ViewListener::setTitle(const std::string& title) {
    queue([this, text = QString::fromStdString(title)] { emit view_.titleChanged(text); });
}

void ViewListener::postStatus(const std::string& text) {
    // A progress not yet shown goes with it, first, so the window sees the texts in the order they
    // were said.
    queue([this, before = takePending(), shown = QString::fromStdString(text)] {
        if (before) show(*before);
        emit view_.statusText(shown);
    });
}

void ViewListener::showProgress(const std::string& text, long long done, long long total) {
    if (text == lastProgressText_) return;
    lastProgressText_ = text;
    std::uint64_t round = 0;
    {
        std::lock_guard lock(mutex_);
        if (closing_) return;
        pending_ = Progress{QString::fromStdString(text), done, std::max(total, 0LL)};
        // One call is queued per round; a newer progress of the same round only replaces its values.
        if (queuedRound_ == round_) return;
        queuedRound_ = round = round_;
    }
    queue([this, round] {
        std::optional<Progress> progress;
        {
            std::lock_guard lock(mutex_);
            if (round_ == round) {
                progress.swap(pending_);
                queuedRound_ = 0; // the next progress queues a call again
            }
        }
        if (progress) show(*progress);
    });
}

void ViewListener::endProgress() {
    lastProgressText_.clear();
    queue([this, before = takePending()] {
        if (before) show(*before);
        emit view_.progress(0, 0);
    });
}

std::optional<ViewListener::Progress> ViewListener::takePending() {
    // A new round: a progress call queued before this point has nothing left to show, and the next
    // progress queues a call of its own behind whatever is queued now.
    std::lock_guard lock(mutex_);
    ++round_;
    std::optional<Progress> taken;
    taken.swap(pending_);
    return taken;
}

void ViewListener::show(const Progress& progress) {
    emit view_.statusText(progress.text);
    emit view_.progress(progress.done, progress.total);
}

bool ViewListener::windowExists() {
    std::lock_guard lock(mutex_);
    return !closing_;
}

void ViewListener::beginClosing() {
    std::lock_guard lock(mutex_);
    closing_ = true;
    pending_.reset();
}

} // namespace nimbrel
