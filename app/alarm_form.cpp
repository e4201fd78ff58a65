#include "app/alarm_form.h"

#include "app/compass_names.h"
#include "app/language_table.h"
#include "presentation/decimal_text.h"
#include "presentation/formatting.h"
#include "presentation/record_builders.h"
#include "presentation/threshold_units.h"
#include "presentation/units.h"
#include "station/station_access.h"
#include "station/station_busy.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

namespace nimbrel {

namespace {

using Q = AlarmQuantity;
using A = AlarmThresholds;

using R = TextRow;

constexpr AlarmBox kBoxes[] = {
    {1027, R::time, R::hour, "Time Hour", Q::hour, &A::timeAlarmHour},
    {1022, R::time, R::minute, "Time Minute", Q::minute, &A::timeAlarmMinute},
    {1005, R::indoorHumidity, R::high, "Indoor Humidity High", Q::humidity, &A::indHumiHighAlarm},
    {1006, R::indoorHumidity, R::low, "Indoor Humidity Low", Q::humidity, &A::indHumiLowAlarm},
    {1009, R::outdoorHumidity, R::high, "Outdoor Humidity High", Q::humidity, &A::outHumiHighAlarm},
    {1010, R::outdoorHumidity, R::low, "Outdoor Humidity Low", Q::humidity, &A::outHumiLowAlarm},
    {1003, R::indoorTemperature, R::high, "Indoor Temperature High", Q::indoorTemperature,
     &A::indTempHighAlarm},
    {1004, R::indoorTemperature, R::low, "Indoor Temperature Low", Q::indoorTemperature, &A::indTempLowAlarm},
    {1007, R::outdoorTemperature, R::high, "Outdoor Temperature High", Q::outdoorTemperature,
     &A::outTempHighAlarm},
    {1008, R::outdoorTemperature, R::low, "Outdoor Temperature Low", Q::outdoorTemperature,
     &A::outTempLowAlarm},
    {1014, R::windchill, R::high, "Windchill High", Q::outdoorTemperature, &A::windchillHighAlarm},
    {1015, R::windchill, R::low, "Windchill Low", Q::outdoorTemperature, &A::windchillLowAlarm},
    {1012, R::dewpoint, R::high, "Dewpoint High", Q::outdoorTemperature, &A::dewpointHighAlarm},
    {1013, R::dewpoint, R::low, "Dewpoint Low", Q::outdoorTemperature, &A::dewpointLowAlarm},
    {1023, R::absolutePressure, R::high, "Absolute Pressure High", Q::pressure, &A::absPresHighAlarm},
    {1025, R::absolutePressure, R::low, "Absolute Pressure Low", Q::pressure, &A::absPresLowAlarm},
    {1011, R::relativePressure, R::high, "Relative Pressure High", Q::pressure, &A::relPresHighAlarm},
    {1021, R::relativePressure, R::low, "Relative Pressure Low", Q::pressure, &A::relPresLowAlarm},
    {1017, R::wind, R::high, "Wind High", Q::windSpeed, &A::windAlarm},
    {1016, R::wind, "", "Wind Level", Q::beaufortLevel, &A::windsLevelAlarm},
    {1018, R::gust, R::high, "Gust High", Q::windSpeed, &A::gustAlarm},
    {1026, R::gust, "", "Gust Level", Q::beaufortLevel, &A::gustLevelAlarm},
    {1019, R::rain, "alarm.rain_hour", "Rain High Hour", Q::rain, &A::hourRainAlarm},
    {1020, R::rain, "alarm.rain_day", "Rain High 24 Hour", Q::rain, &A::dayRainAlarm},
};

// Each speed box with its Beaufort level box.
constexpr std::array<std::pair<int, int>, 2> kLinkedBoxes = {{{1017, 1016}, {1018, 1026}}};

// The direction list's entries as the station names them; entry i is code 2 i.
constexpr std::array<std::string_view, kAlarmDirectionCount> kDirections = {"N",  "NE", "E", "SE",
                                                                           "S", "SW", "W", "NW"};

// A bound as the prompt prints it, read back: the prompt's own figure is then inside the range.
double printedBound(float bound) {
    return wholeNumber(boundText(bound)).value_or(bound);
}

bool isMissing(std::string_view text) {
    return trimmed(text) == kNoValueText;
}

} // namespace

std::span<const AlarmBox> alarmBoxes() {
    return kBoxes;
}

const AlarmBox* alarmBoxByControl(int control) {
    for (const AlarmBox& b : kBoxes)
        if (b.control == control) return &b;
    return nullptr;
}

int alarmLinkedBox(int control) {
    for (const auto& [speed, level] : kLinkedBoxes) {
        if (control == speed) return level;
        if (control == level) return speed;
    }
    return 0;
}

std::optional<long long> alarmRawValue(const AlarmBox& box, double value, const StationSettings& settings) {
    ThresholdQuantity quantity = ThresholdQuantity::count;
    switch (box.quantity) {
    case Q::hour:
    case Q::minute:
    case Q::humidity:
    case Q::beaufortLevel:
        break;
    case Q::indoorTemperature:
        quantity = ThresholdQuantity::indoorTemperature;
        break;
    case Q::outdoorTemperature:
        quantity = ThresholdQuantity::outdoorTemperature;
        break;
    case Q::pressure:
        quantity = ThresholdQuantity::pressure;
        break;
    case Q::windSpeed:
        quantity = ThresholdQuantity::wind;
        break;
    case Q::rain:
        quantity = ThresholdQuantity::rain;
        break;
    }
    return thresholdRawValue(box.field, quantity, thresholdUnit(unitSelectionOf(settings), quantity), value);
}

AlarmForm::AlarmForm(const LanguageTable& texts)
    : texts_(texts), boxTexts_(std::size(kBoxes)), edited_(std::size(kBoxes), false) {}

std::size_t AlarmForm::indexOf(int control) const {
    for (std::size_t i = 0; i < std::size(kBoxes); ++i)
        if (kBoxes[i].control == control) return i;
    return std::size(kBoxes);
}

FormOutcome AlarmForm::load(StationAccess& station, Clock& clock) {
    dataRead_ = false;
    FormOutcome outcome;
    {
        StationBusyLock lock(station.busy());
        if (!lock.acquire(clock)) return FormOutcome::failure(texts_.text(R::cannotCommunicate));
        AlarmThresholds alarms;
        StationSettings settings;
        const bool alarmsRead = station.readAlarmBlock(alarms);
        if (!alarmsRead) outcome.tell(texts_.text(R::alarmReadFailed));
        const bool settingsRead = station.readSettingsBlock(settings);
        if (!settingsRead) outcome.tell(texts_.text(R::setupReadFailed));
        if (alarmsRead) thresholds_ = alarms;
        if (settingsRead) settings_ = settings;
        dataRead_ = alarmsRead && settingsRead;
    }

    AlarmThresholds shown = thresholds_;
    thresholdsForDisplay(shown, settings_);
    for (std::size_t i = 0; i < std::size(kBoxes); ++i) {
        boxTexts_[i] = shown.*kBoxes[i].field;
        edited_[i] = false;
    }
    directionIndex_ = -1;
    const std::string& code = thresholds_.windDirAlarm;
    if (!code.empty() && code != kNoValueText) {
        const std::optional<long long> value = wholeInteger(code);
        if (value && *value >= 0 && *value / 2 < kAlarmDirectionCount) directionIndex_ = static_cast<int>(*value / 2);
    }
    directionShown_ = directionIndex_;
    outcome.done = dataRead_;
    return outcome;
}

std::string AlarmForm::text(int control) const {
    if (control == kAlarmDirectionControl)
        return directionIndex_ < 0 ? std::string() : directionEntries()[static_cast<std::size_t>(directionIndex_)];
    const std::size_t i = indexOf(control);
    return i < boxTexts_.size() ? boxTexts_[i] : std::string();
}

void AlarmForm::edit(int control, std::string text) {
    const std::size_t i = indexOf(control);
    if (i >= boxTexts_.size()) return;
    boxTexts_[i] = std::move(text);
    edited_[i] = true;
}

int AlarmForm::leave(int control) {
    const std::size_t i = indexOf(control);
    if (i >= edited_.size() || !edited_[i]) return 0;
    edited_[i] = false;
    const std::string& wind = settings_.windUnit;
    const int linked = alarmLinkedBox(control);
    if (linked == 0) return 0;
    const std::string_view typed = trimmed(boxTexts_[i]);
    if (alarmBoxByControl(control)->quantity == Q::windSpeed) {
        if (!wholeNumber(typed)) return 0;
        boxTexts_[indexOf(linked)] = windSpeedText(typed, 1.0f, wind, unit::beaufort);
    } else {
        if (!wholeInteger(typed)) return 0;
        boxTexts_[indexOf(linked)] = windSpeedText(typed, 1.0f, unit::beaufort, wind);
    }
    return linked;
}

void AlarmForm::selectDirection(int index) {
    directionIndex_ = index >= 0 && index < kAlarmDirectionCount ? index : -1;
}

std::vector<std::string> AlarmForm::directionEntries() const {
    std::vector<std::string> entries;
    for (std::string_view d : kDirections) entries.push_back(localCompassName(texts_, d));
    return entries;
}

int AlarmForm::directionIndexOf(std::string_view text) const {
    const auto same = [](std::string_view a, std::string_view b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
        });
    };
    text = trimmed(text);
    const std::vector<std::string> local = directionEntries();
    for (int i = 0; i < kAlarmDirectionCount; ++i)
        if (same(text, local[static_cast<std::size_t>(i)])) return i;
    for (int i = 0; i < kAlarmDirectionCount; ++i)
        if (same(text, kDirections[static_cast<std::size_t>(i)])) return i;
    return -1;
}

AlarmRange AlarmForm::range(int control) const {
    const AlarmBox* box = alarmBoxByControl(control);
    if (box == nullptr) return {};
    const auto number = [](float low, float high) { return AlarmRange{false, printedBound(low), printedBound(high)}; };
    switch (box->quantity) {
    case Q::hour:
        return {true, 0, 23};
    case Q::minute:
        return {true, 0, 59};
    case Q::humidity:
        return {true, 1, 99};
    case Q::beaufortLevel:
        return {true, 0, 12};
    case Q::indoorTemperature:
        return number(fromCelsius(-40, 1.0f, settings_.indTempUnit), fromCelsius(60, 1.0f, settings_.indTempUnit));
    case Q::outdoorTemperature:
        return number(fromCelsius(-40, 1.0f, settings_.outTempUnit), fromCelsius(60, 1.0f, settings_.outTempUnit));
    case Q::pressure:
        return number(fromHpa(500, 1.0f, settings_.presUnit), fromHpa(1100, 1.0f, settings_.presUnit));
    case Q::windSpeed:
        return number(fromMetresPerSecond(0, 1.0f, settings_.windUnit),
                      fromMetresPerSecond(50, 1.0f, settings_.windUnit));
    case Q::rain:
        return number(fromMillimetres(0, 1.0f, settings_.rainUnit), fromMillimetres(1000, 1.0f, settings_.rainUnit));
    }
    return {};
}

std::string AlarmForm::unitLabel(int control) const {
    const AlarmBox* box = alarmBoxByControl(control);
    if (box == nullptr) return {};
    switch (box->quantity) {
    case Q::hour:
    case Q::minute:
        return {};
    case Q::humidity:
        return std::string(unit::percent);
    case Q::beaufortLevel:
        return std::string(unit::beaufort);
    case Q::indoorTemperature:
        return settings_.indTempUnit;
    case Q::outdoorTemperature:
        return settings_.outTempUnit;
    case Q::pressure:
        return settings_.presUnit;
    case Q::windSpeed:
        return settings_.windUnit;
    case Q::rain:
        return settings_.rainUnit;
    }
    return {};
}

std::string AlarmForm::displayName(int control) const {
    if (control == kAlarmDirectionControl) return texts_.text(kAlarmDirectionGroup);
    const AlarmBox* box = alarmBoxByControl(control);
    if (box == nullptr) return {};
    if (box->quantity == Q::beaufortLevel)
        return texts_.text(box->group == R::wind ? R::windLevel : R::gustLevel);
    std::string caption = texts_.text(box->caption);
    // The rain captions are spaced out for the window's layout; one blank is enough in a message.
    caption.erase(std::unique(caption.begin(), caption.end(), [](char a, char b) { return a == ' ' && b == ' '; }),
                  caption.end());
    return texts_.text(box->group) + " " + caption;
}

std::string AlarmForm::rangePrompt(const AlarmRange& r) const {
    return texts_.text(r.integer ? "alarm.prompt.integer_range" : "alarm.prompt.number_range",
                       {boundText(r.low), boundText(r.high)});
}

FormOutcome AlarmForm::validate() const {
    for (std::size_t i = 0; i < std::size(kBoxes); ++i) {
        const std::string& text = boxTexts_[i];
        if (isMissing(text)) continue;
        const AlarmRange r = range(kBoxes[i].control);
        std::optional<double> value;
        if (r.integer) {
            if (const std::optional<long long> v = wholeInteger(text)) value = static_cast<double>(*v);
        } else {
            value = wholeNumber(text);
        }
        if (!value)
            return FormOutcome::failure(texts_.text(r.integer ? "alarm.prompt.integer" : "alarm.prompt.number"),
                                        kBoxes[i].control);
        if (*value < r.low || *value > r.high) return FormOutcome::failure(rangePrompt(r), kBoxes[i].control);
    }
    return FormOutcome::success();
}

FormOutcome AlarmForm::buildRecord(const AlarmThresholds& fresh, AlarmThresholds& out) const {
    AlarmThresholds record = fresh;
    for (std::size_t i = 0; i < std::size(kBoxes); ++i) {
        const AlarmBox& box = kBoxes[i];
        const std::string& text = boxTexts_[i];
        if (isMissing(text)) continue; // the station keeps what it holds
        const std::optional<double> value = wholeNumber(text);
        const std::optional<long long> raw = value ? alarmRawValue(box, *value, settings_) : std::nullopt;
        if (!raw)
            return FormOutcome::failure(
                texts_.text("alarm.does_not_fit", {displayName(box.control), std::string(trimmed(text))}), box.control);
        if (box.quantity == Q::hour || box.quantity == Q::minute) {
            // Two digits, which the station keeps as a BCD byte.
            std::string two = std::to_string(*raw);
            if (two.size() < 2) two.insert(0, 2 - two.size(), '0');
            record.*box.field = two;
        } else {
            record.*box.field = std::to_string(*raw);
        }
    }
    // The station's code stays unless the user picked another entry: an odd code (NNE ...) or one
    // that matches no entry at all is not lost by a save that never touched the list.
    if (directionIndex_ >= 0 && directionIndex_ != directionShown_)
        record.windDirAlarm = std::to_string(directionIndex_ * 2);
    out = std::move(record);
    return FormOutcome::success();
}

FormOutcome AlarmForm::save(StationAccess& station, Clock& clock) {
    FormOutcome outcome = validate();
    if (!outcome.done) return outcome;
    if (!dataRead_) return FormOutcome::failure(texts_.text(R::alarmReadFailed));

    StationBusyLock lock(station.busy());
    if (!lock.acquire(clock)) return FormOutcome::failure(texts_.text(R::cannotCommunicate));
    // The area as the station holds it now, so the fields the window does not edit (the current
    // pressures, the reserved bytes) go back as they are. Without it nothing is written.
    AlarmThresholds fresh;
    if (!station.readAlarmBlock(fresh)) return FormOutcome::failure(texts_.text(R::alarmReadFailed));
    AlarmThresholds record;
    outcome = buildRecord(fresh, record);
    if (!outcome.done) return outcome;

    std::array<std::uint8_t, kAlarmLength> before{}, after{};
    encodeAlarms(fresh, before);
    encodeAlarms(record, after);
    if (!station.writeAlarmBlock(record)) return FormOutcome::failure(texts_.text(R::alarmSaveFailed));
    lock.release();

    // The write also sets the settings' update byte 0x1A to 0xAA; its old value is the one read at
    // opening.
    constexpr unsigned kUpdateFlagAddress = 0x1A;
    const std::vector<std::uint8_t> settingsBytes = hexDumpBytes(settings_.hexDump);
    if (settingsBytes.size() > kUpdateFlagAddress) {
        const std::uint8_t flagged[] = {0xAA};
        addByteChanges(outcome.changes, kUpdateFlagAddress, std::span(settingsBytes).subspan(kUpdateFlagAddress, 1),
                       flagged);
    }
    addByteChanges(outcome.changes, kAlarmAddress, before, after);
    thresholds_ = record;
    return outcome;
}

} // namespace nimbrel
