#include "app/alarm_form.h"

#include "app/compass_names.h"
#include "app/language_table.h"
#include "presentation/formatting.h"
#include "presentation/record_builders.h"
#include "presentation/units.h"
#include "station/station_access.h"
#include "station/station_busy.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace nimbrel {

namespace {

using Q = AlarmQuantity;
using A = AlarmThresholds;

// Language table rows of the window's texts.
constexpr int kRowCantCommunicate = 162;
constexpr int kRowReadAlarmFail = 163;
constexpr int kRowReadSetupFail = 164;
constexpr int kRowSaveAlarmFail = 167;
constexpr int kRowWindLevel = 38;
constexpr int kRowGustLevel = 39;

constexpr AlarmBox kBoxes[] = {
    {1027, "65", "111", "Time Hour", Q::hour, &A::timeAlarmHour},
    {1022, "65", "112", "Time Minute", Q::minute, &A::timeAlarmMinute},
    {1005, "24", "71", "Indoor Humidity High", Q::humidity, &A::indHumiHighAlarm},
    {1006, "24", "70", "Indoor Humidity Low", Q::humidity, &A::indHumiLowAlarm},
    {1009, "25", "71", "Outdoor Humidity High", Q::humidity, &A::outHumiHighAlarm},
    {1010, "25", "70", "Outdoor Humidity Low", Q::humidity, &A::outHumiLowAlarm},
    {1003, "21", "71", "Indoor Temperature High", Q::indoorTemperature, &A::indTempHighAlarm},
    {1004, "21", "70", "Indoor Temperature Low", Q::indoorTemperature, &A::indTempLowAlarm},
    {1007, "22", "71", "Outdoor Temperature High", Q::outdoorTemperature, &A::outTempHighAlarm},
    {1008, "22", "70", "Outdoor Temperature Low", Q::outdoorTemperature, &A::outTempLowAlarm},
    {1014, "31", "71", "Windchill High", Q::outdoorTemperature, &A::windchillHighAlarm},
    {1015, "31", "70", "Windchill Low", Q::outdoorTemperature, &A::windchillLowAlarm},
    {1012, "32", "71", "Dewpoint High", Q::outdoorTemperature, &A::dewpointHighAlarm},
    {1013, "32", "70", "Dewpoint Low", Q::outdoorTemperature, &A::dewpointLowAlarm},
    {1023, "29", "71", "Absolute Pressure High", Q::pressure, &A::absPresHighAlarm},
    {1025, "29", "70", "Absolute Pressure Low", Q::pressure, &A::absPresLowAlarm},
    {1011, "30", "71", "Relative Pressure High", Q::pressure, &A::relPresHighAlarm},
    {1021, "30", "70", "Relative Pressure Low", Q::pressure, &A::relPresLowAlarm},
    {1017, "33", "71", "Wind High", Q::windSpeed, &A::windAlarm},
    {1016, "33", "", "Wind Level", Q::beaufortLevel, &A::windsLevelAlarm},
    {1018, "34", "71", "Gust High", Q::windSpeed, &A::gustAlarm},
    {1026, "34", "", "Gust Level", Q::beaufortLevel, &A::gustLevelAlarm},
    {1019, "41", "alarm.rain_hour", "Rain High Hour", Q::rain, &A::hourRainAlarm},
    {1020, "41", "alarm.rain_day", "Rain High 24 Hour", Q::rain, &A::dayRainAlarm},
};

// Each speed box with its Beaufort level box.
constexpr std::array<std::pair<int, int>, 2> kLinkedBoxes = {{{1017, 1016}, {1018, 1026}}};

// The direction list's entries as the station names them; entry i is code 2 i.
constexpr std::array<std::string_view, kAlarmDirectionCount> kDirections = {"N",  "NE", "E", "SE",
                                                                           "S", "SW", "W", "NW"};

std::string_view trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

// The whole text as an integer: blanks around it, an optional sign, digits and nothing else.
std::optional<long long> parseWholeInteger(std::string_view text) {
    text = trimmed(text);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// The whole text as a finite decimal number, with a point whatever the user's locale.
std::optional<double> parseWholeNumber(std::string_view text) {
    text = trimmed(text);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text.front())) || text.front() == '-' ||
                          text.front() == '.'))
        return std::nullopt;
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

// "%g" with a point whatever the locale.
std::string boundText(double value) {
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return error == std::errc{} ? std::string(buffer, end) : std::string();
}

// A bound as the prompt prints it, read back: the prompt's own figure is then inside the range.
double printedBound(float bound) {
    return parseWholeNumber(boundText(bound)).value_or(bound);
}

const AlarmFieldInfo* stationFieldOf(const AlarmBox& box) {
    for (const AlarmFieldInfo& f : alarmFields())
        if (f.text == box.field) return &f;
    return nullptr;
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

std::optional<long long> alarmRawValue(const AlarmBox& box, double value, const StationSettings& settings) {
    double factor = 10;
    switch (box.quantity) {
    case Q::hour:
    case Q::minute:
    case Q::humidity:
    case Q::beaufortLevel:
        factor = 1;
        break;
    case Q::pressure:
        factor = settings.presUnit == unit::inHg ? 100 : 10;
        break;
    case Q::rain:
        factor = settings.rainUnit == unit::inch ? 100 : 10;
        break;
    case Q::indoorTemperature:
    case Q::outdoorTemperature:
    case Q::windSpeed:
        break;
    }
    const double scaled = std::nearbyint(value * factor);
    const AlarmFieldInfo* field = stationFieldOf(box);
    if (field == nullptr || !std::isfinite(scaled)) return std::nullopt;
    double low = 0, high = 0;
    switch (field->kind) {
    case AlarmFieldKind::u8:
        high = 0xFF;
        break;
    case AlarmFieldKind::u16:
        high = 0xFFFF;
        break;
    case AlarmFieldKind::s16sm:
        // Sign and 15 bits of magnitude; all ones is the station's mark for no value.
        low = -32766;
        high = 32767;
        break;
    case AlarmFieldKind::bcdByte:
        high = 99;
        break;
    case AlarmFieldKind::reserved:
        return std::nullopt;
    }
    if (scaled < low || scaled > high) return std::nullopt;
    return static_cast<long long>(scaled);
}

AlarmForm::AlarmForm(const LanguageTable& texts)
    : texts_(texts), boxTexts_(std::size(kBoxes)), edited_(std::size(kBoxes), false) {}

std::size_t AlarmForm::indexOf(int control) const {
    for (std::size_t i = 0; i < std::size(kBoxes); ++i)
        if (kBoxes[i].control == control) return i;
    return std::size(kBoxes);
}

AlarmOutcome AlarmForm::load(StationAccess& station, Clock& clock) {
    dataRead_ = false;
    AlarmOutcome outcome;
    {
        StationBusyLock lock(station.busy());
        if (!lock.acquire(clock)) {
            outcome.message = texts_.text(kRowCantCommunicate);
            return outcome;
        }
        std::vector<std::string> failures;
        AlarmThresholds alarms;
        StationSettings settings;
        const bool alarmsRead = station.readAlarmBlock(alarms);
        if (!alarmsRead) failures.push_back(texts_.text(kRowReadAlarmFail));
        const bool settingsRead = station.readSettingsBlock(settings);
        if (!settingsRead) failures.push_back(texts_.text(kRowReadSetupFail));
        if (alarmsRead) thresholds_ = alarms;
        if (settingsRead) settings_ = settings;
        dataRead_ = alarmsRead && settingsRead;
        for (const std::string& f : failures) outcome.message += (outcome.message.empty() ? "" : "\n") + f;
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
        const std::optional<long long> value = parseWholeInteger(code);
        if (value && *value >= 0 && *value / 2 < kAlarmDirectionCount) directionIndex_ = static_cast<int>(*value / 2);
    }
    directionShown_ = directionIndex_;
    outcome.ok = dataRead_;
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
    for (const auto& [speed, level] : kLinkedBoxes) {
        if (control == speed) {
            if (!parseWholeNumber(boxTexts_[i])) return 0;
            boxTexts_[indexOf(level)] = windSpeedText(trimmed(boxTexts_[i]), 1.0f, wind, unit::beaufort);
            return level;
        }
        if (control == level) {
            if (!parseWholeInteger(boxTexts_[i])) return 0;
            boxTexts_[indexOf(speed)] = windSpeedText(trimmed(boxTexts_[i]), 1.0f, unit::beaufort, wind);
            return speed;
        }
    }
    return 0;
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
    if (box->quantity == Q::beaufortLevel) return texts_.text(box->group == "33" ? kRowWindLevel : kRowGustLevel);
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

AlarmOutcome AlarmForm::validate() const {
    for (std::size_t i = 0; i < std::size(kBoxes); ++i) {
        const std::string& text = boxTexts_[i];
        if (isMissing(text)) continue;
        const AlarmRange r = range(kBoxes[i].control);
        std::optional<double> value;
        if (r.integer) {
            if (const std::optional<long long> v = parseWholeInteger(text)) value = static_cast<double>(*v);
        } else {
            value = parseWholeNumber(text);
        }
        if (!value)
            return {false, texts_.text(r.integer ? "alarm.prompt.integer" : "alarm.prompt.number"), kBoxes[i].control, {}};
        if (*value < r.low || *value > r.high) return {false, rangePrompt(r), kBoxes[i].control, {}};
    }
    return {true, {}, 0, {}};
}

AlarmOutcome AlarmForm::buildRecord(const AlarmThresholds& fresh, AlarmThresholds& out) const {
    AlarmThresholds record = fresh;
    for (std::size_t i = 0; i < std::size(kBoxes); ++i) {
        const AlarmBox& box = kBoxes[i];
        const std::string& text = boxTexts_[i];
        if (isMissing(text)) continue; // the station keeps what it holds
        const std::optional<double> value = parseWholeNumber(text);
        const std::optional<long long> raw = value ? alarmRawValue(box, *value, settings_) : std::nullopt;
        if (!raw)
            return {false, texts_.text("alarm.does_not_fit", {displayName(box.control), std::string(trimmed(text))}),
                    box.control, {}};
        if (box.quantity == Q::hour || box.quantity == Q::minute) {
            // Two digits, which the station keeps as a BCD byte.
            char two[8];
            const int n = std::snprintf(two, sizeof two, "%02lld", *raw);
            record.*box.field = std::string(two, static_cast<std::size_t>(n));
        } else {
            record.*box.field = std::to_string(*raw);
        }
    }
    // The station's code stays unless the user picked another entry: an odd code (NNE ...) or one
    // that matches no entry at all is not lost by a save that never touched the list.
    if (directionIndex_ >= 0 && directionIndex_ != directionShown_) record.windDirAlarm = std::to_string(directionIndex_ * 2);
    out = std::move(record);
    return {true, {}, 0, {}};
}

AlarmOutcome AlarmForm::save(StationAccess& station, Clock& clock) {
    AlarmOutcome outcome = validate();
    if (!outcome.ok) return outcome;
    if (!dataRead_) return {false, texts_.text(kRowReadAlarmFail), 0, {}};

    StationBusyLock lock(station.busy());
    if (!lock.acquire(clock)) return {false, texts_.text(kRowCantCommunicate), 0, {}};
    // The area as the station holds it now, so the fields the window does not edit (the current
    // pressures, the reserved bytes) go back as they are. Without it nothing is written.
    AlarmThresholds fresh;
    if (!station.readAlarmBlock(fresh)) return {false, texts_.text(kRowReadAlarmFail), 0, {}};
    AlarmThresholds record;
    outcome = buildRecord(fresh, record);
    if (!outcome.ok) return outcome;

    std::array<std::uint8_t, kAlarmLength> before{}, after{};
    encodeAlarms(fresh, before);
    encodeAlarms(record, after);
    if (!station.writeAlarmBlock(record)) return {false, texts_.text(kRowSaveAlarmFail), 0, {}};
    lock.release();

    // The write also sets the settings' update byte 0x1A to 0xAA; its old value is the one read at
    // opening ("%02X " per byte in the dump).
    constexpr unsigned kUpdateFlagAddress = 0x1A;
    const std::string& dump = settings_.hexDump;
    if (dump.size() >= kUpdateFlagAddress * 3 + 2) {
        unsigned old = 0;
        std::from_chars(dump.data() + kUpdateFlagAddress * 3, dump.data() + kUpdateFlagAddress * 3 + 2, old, 16);
        if (old != 0xAA) outcome.changes.push_back({kUpdateFlagAddress, static_cast<std::uint8_t>(old), 0xAA});
    }
    for (std::size_t i = 0; i < kAlarmLength; ++i)
        if (before[i] != after[i])
            outcome.changes.push_back({static_cast<unsigned>(kAlarmAddress + i), before[i], after[i]});
    thresholds_ = record;
    outcome.ok = true;
    return outcome;
}

} // namespace nimbrel
