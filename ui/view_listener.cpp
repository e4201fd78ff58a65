#include "ui/view_listener.h"

#include "station/alarm_thresholds.h"
#include "station/min_max_table.h"
#include "station/station_settings.h"
#include "ui/weather_view.h"

#include <QString>
#include <QThread>
#include <algorithm>

namespace nimbrel {

ViewListener::ViewListener(WeatherView& view) : QObject(&view), view_(view) {}

void ViewListener::showReading(const StationSettings& settings, const WeatherSample& reading) {
    QMetaObject::invokeMethod(
        this, [this, settings, reading] { view_.showReading(settings, reading); }, Qt::QueuedConnection);
}

void ViewListener::showAlarmLamps(const AlarmThresholds& alarms, const StationSettings& settings,
                                  const WeatherSample& reading) {
    QMetaObject::invokeMethod(
        this, [this, alarms, settings, reading] { view_.showAlarmLamps(alarms, settings, reading); },
        Qt::QueuedConnection);
}

void ViewListener::showMinMax(const StationSettings& settings, const MinMaxTable& table) {
    QMetaObject::invokeMethod(
        this, [this, settings, table] { view_.showMinMax(settings, table); }, Qt::QueuedConnection);
}

void ViewListener::setTitle(const std::string& title) {
    QMetaObject::invokeMethod(
        this, [this, text = QString::fromStdString(title)] { emit view_.titleChanged(text); },
        Qt::QueuedConnection);
}

void ViewListener::postStatus(const std::string& text) {
    showAndWait(text, 0, -1);
}

void ViewListener::showProgress(const std::string& text, long long done, long long total) {
    showAndWait(text, done, std::max(total, 0LL));
}

void ViewListener::endProgress() {
    QMetaObject::invokeMethod(
        this, [this] { emit view_.progress(0, 0); }, Qt::QueuedConnection);
}

void ViewListener::showAndWait(const std::string& text, long long done, long long total) {
    const QString shown = QString::fromStdString(text);
    const auto show = [this, shown, done, total] {
        emit view_.statusText(shown);
        if (total >= 0) emit view_.progress(done, total);
    };
    if (QThread::currentThread() == thread()) {
        show();
        return;
    }
    std::unique_lock lock(mutex_);
    if (closing_) return;
    const std::uint64_t ticket = ++statusPosted_;
    QMetaObject::invokeMethod(
        this,
        [this, show, ticket] {
            show();
            std::lock_guard done(mutex_);
            if (statusShown_ < ticket) statusShown_ = ticket;
            shown_.notify_all();
        },
        Qt::QueuedConnection);
    shown_.wait(lock, [&] { return closing_ || statusShown_ >= ticket; });
}

bool ViewListener::windowExists() {
    std::lock_guard lock(mutex_);
    return !closing_;
}

void ViewListener::beginClosing() {
    std::lock_guard lock(mutex_);
    closing_ = true;
    shown_.notify_all();
}

} // namespace nimbrel
