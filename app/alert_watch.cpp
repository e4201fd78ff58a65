#include "app/alert_watch.h"

#include "app/alarm_form.h"
#include "app/box_unit.h"
#include "app/compass_names.h"
#include "app/view_boxes.h"
#include "presentation/record_builders.h"
#include "station/weather_sample.h"

#include <cctype>

namespace nimbrel {
namespace {

using W = WeatherSample;
using Q = AlarmQuantity;

constexpr const char* kWindDirectionAlert = "wind_direction";

// "Outdoor Temperature High" -> "outdoor_temperature_high".
std::string idOf(std::string_view englishName) {
    std::string id;
    for (const char c : englishName) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            id += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        else if (!id.empty() && id.back() != '_')
            id += '_';
    }
    return id;
}

BoxUnit unitOf(AlarmQuantity quantity) {
    switch (quantity) {
    case Q::humidity: return BoxUnit::humidity;
    case Q::indoorTemperature: return BoxUnit::indoorTemperature;
    case Q::outdoorTemperature: return BoxUnit::outdoorTemperature;
    case Q::pressure: return BoxUnit::pressure;
    case Q::windSpeed: return BoxUnit::wind;
    case Q::beaufortLevel: return BoxUnit::beaufort;
    case Q::rain: return BoxUnit::rain;
    default: return BoxUnit::none;
    }
}

std::string deviceClassOf(AlarmQuantity quantity, LampLimit limit) {
    switch (quantity) {
    case Q::indoorTemperature:
    case Q::outdoorTemperature: return limit == LampLimit::High ? "heat" : "cold";
    case Q::humidity:
    case Q::rain: return "moisture";
    default: return "problem";
    }
}

// The box's caption in the user's language, its blanks made one: "Outdoor Temperature High".
std::string titleOf(const LanguageTable& texts, const AlarmBox& box) {
    std::string raw = texts.text(box.group);
    const std::string caption = box.caption.empty() ? std::string() : texts.text(box.caption);
    raw += ' ';
    raw += caption.empty() ? "Beaufort" : caption;
    std::string title;
    for (const char c : raw)
        if (c != ' ' || (!title.empty() && title.back() != ' ')) title += c;
    while (!title.empty() && title.back() == ' ') title.pop_back();
    return title;
}

} // namespace

std::vector<AlertKind> alertKinds() {
    const LanguageTable english;
    std::vector<AlertKind> kinds;
    for (const LampRule& rule : lampRules()) {
        const AlarmBox& box = *alarmBoxByControl(rule.id);
        kinds.push_back({idOf(box.name), titleOf(english, box), deviceClassOf(box.quantity, rule.limit)});
    }
    kinds.push_back({kWindDirectionAlert, english.text(kAlarmDirectionGroup), "problem"});
    kinds.push_back({kNoNewReadingAlert, english.text("alert.no_new_reading"), "problem"});
    kinds.push_back({kSaveFailedAlert, english.text("alert.save_failed"), "problem"});
    return kinds;
}

AlertWatch::AlertWatch(const LanguageTable& texts, std::chrono::minutes staleAfter, std::vector<AlertSink*> sinks)
    : texts_(texts), staleAfter_(staleAfter), sinks_(std::move(sinks)) {}

void AlertWatch::set(Alert alert) {
    const auto known = states_.find(alert.id);
    if (known == states_.end()) {
        states_[alert.id] = alert.on;
        alert.initial = !alert.on;
    } else {
        if (known->second == alert.on) return;
        known->second = alert.on;
    }
    if (!alert.on && !alert.initial) {
        alert.title = texts_.text("alert.back_to_normal", {alert.title});
    }
    for (AlertSink* sink : sinks_) sink->alert(alert);
}

void AlertWatch::reading(const AlarmThresholds& alarms, const StationSettings& settings, const WeatherSample& shown,
                         Steady arrived, std::time_t now) {
    AlarmThresholds thresholds = alarms;
    thresholdsForDisplay(thresholds, settings);
    std::lock_guard lock(mutex_);
    lastReading_ = arrived;
    for (const LampRule& rule : lampRules()) {
        const AlarmBox& box = *alarmBoxByControl(rule.id);
        const std::string& value = shown[rule.reading];
        const std::string& threshold = thresholds.*rule.threshold;
        Alert alert;
        alert.id = idOf(box.name);
        alert.on = lampState(settings.*rule.flag, value, threshold, rule.limit) == LampState::Lit;
        alert.value = value;
        alert.threshold = threshold;
        alert.unit = unitText(unitOf(box.quantity), settings);
        alert.time = now;
        alert.title = titleOf(texts_, box);
        alert.message = alert.on ? texts_.text(rule.limit == LampLimit::High ? "alert.above" : "alert.below",
                                               {value, alert.unit, threshold})
                                 : value.empty() ? std::string() : texts_.text("alert.now", {value, alert.unit});
        set(std::move(alert));
    }
    Alert direction;
    direction.id = kWindDirectionAlert;
    direction.on = directionLampState(settings.windDirAlarmFlag, shown[W::winds], shown[W::windDir],
                                      thresholds.windDirAlarm) == LampState::Lit;
    direction.value = localCompassName(texts_, shown[W::windDirDesc]);
    direction.threshold = direction.value;
    direction.time = now;
    direction.title = texts_.text(kAlarmDirectionGroup);
    direction.message = direction.on ? texts_.text("alert.wind_from", {direction.value}) : std::string();
    set(std::move(direction));

    Alert stale;
    stale.id = kNoNewReadingAlert;
    stale.time = now;
    stale.title = texts_.text("alert.no_new_reading");
    set(std::move(stale));
}

void AlertWatch::stationProblem(bool on, std::time_t now) {
    std::lock_guard lock(mutex_);
    problem_ = on;
    Alert alert;
    alert.id = kStationProblemAlert;
    alert.on = on;
    alert.time = now;
    alert.title = texts_.text("alert.station_problem");
    alert.message = on ? texts_.text("alert.station_problem.body") : std::string();
    set(std::move(alert));
}

void AlertWatch::saveOutcome(bool saved, std::time_t now) {
    std::lock_guard lock(mutex_);
    Alert alert;
    alert.id = kSaveFailedAlert;
    alert.on = !saved;
    alert.time = now;
    alert.title = texts_.text("alert.save_failed");
    alert.message = saved ? std::string() : texts_.text("alert.save_failed.body");
    set(std::move(alert));
}

void AlertWatch::tick(Steady steadyNow, std::time_t now) {
    std::lock_guard lock(mutex_);
    if (!watchedSince_) watchedSince_ = steadyNow;
    const Steady since = lastReading_.value_or(*watchedSince_);
    if (problem_ || steadyNow - since < staleAfter_) return;
    Alert alert;
    alert.id = kNoNewReadingAlert;
    alert.on = true;
    alert.value = std::to_string(std::chrono::duration_cast<std::chrono::minutes>(steadyNow - since).count());
    alert.threshold = std::to_string(staleAfter_.count());
    alert.unit = "min";
    alert.time = now;
    alert.title = texts_.text("alert.no_new_reading");
    alert.message = texts_.text("alert.no_new_reading.body", {alert.threshold});
    set(std::move(alert));
}

} // namespace nimbrel
