#include "ui/view_listener.h"

#include "station/alarm_thresholds.h"
#include "station/min_max_table.h"
#include "station/station_settings.h"
#include "ui/weather_view.h"

#include <QString>
#include <QThread>

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
    const QString shown = QString::fromStdString(text);
    if (QThread::currentThread() == thread()) {
        emit view_.statusText(shown);
        return;
    }
    std::unique_lock lock(mutex_);
    if (closing_) return;
    const std::uint64_t ticket = ++statusPosted_;
    QMetaObject::invokeMethod(
        this,
        [this, shown, ticket] {
            emit view_.statusText(shown);
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
