#include "app/setup_form.h"

#include "app/language_table.h"
#include "app/station_commands.h"
#include "presentation/decimal_text.h"
#include "presentation/formatting.h"
#include "presentation/record_builders.h"
#include "presentation/threshold_units.h"
#include "station/station_access.h"
#include "station/station_busy.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

namespace nimbrel {

namespace {

using F = SetupForm;

// The 22 alarm-enable boxes in the order the window lists them; their captions come in the same
// order, and so do the flags of the settings area (settingsAlarmFlags()).
constexpr std::array<int, 22> kAlarmBoxes = {1139, 1149, 1150, 1151, 1152, 1153, 1154, 1155,
                                             1157, 1161, 1173, 1174, 1175, 1180, 1184, 1186,
                                             1187, 1188, 1189, 1190, 1191, 1192};

constexpr SetupFieldInfo kFields[] = {
    {F::kTimeZone, "Time zone", SetupFieldKind::list},
    {F::kInterval, "Recording interval", SetupFieldKind::integer},
    {F::kIndoorUnit, "Indoor temperature unit", SetupFieldKind::list},
    {F::kOutdoorUnit, "Outdoor temperature unit", SetupFieldKind::list},
    {F::kPressureUnit, "Pressure unit", SetupFieldKind::list},
    {F::kWindUnit, "Wind unit", SetupFieldKind::list},
    {F::kRainUnit, "Rain unit", SetupFieldKind::list},
    {F::kDateDisplay, "Console date display", SetupFieldKind::list, false},
    {F::kDateFormat, "Date format index", SetupFieldKind::list},
    {F::kTimeFormat, "Time format index", SetupFieldKind::list},
    {F::kAxis, "Console graph span", SetupFieldKind::list},
    {F::kOutdoorDisplay, "Console outdoor-temperature display", SetupFieldKind::list},
    {F::kPressureDisplay, "Console pressure display", SetupFieldKind::list},
    {F::kWindDisplay, "Console wind display", SetupFieldKind::list},
    {F::kRainDisplay, "Console rain display", SetupFieldKind::list},
    {1139, "Alarm enable Time", SetupFieldKind::check},
    {1149, "Alarm enable Wind Direct", SetupFieldKind::check},
    {1150, "Alarm enable Indoor Humidity Low", SetupFieldKind::check},
    {1151, "Alarm enable Indoor Humidity High", SetupFieldKind::check},
    {1152, "Alarm enable Outdoor Humidity Low", SetupFieldKind::check},
    {1153, "Alarm enable Outdoor Humidity High", SetupFieldKind::check},
    {1154, "Alarm enable Wind Speed High", SetupFieldKind::check},
    {1155, "Alarm enable Gust Speed High", SetupFieldKind::check},
    {1157, "Alarm enable Hour Rainfall High", SetupFieldKind::check},
    {1161, "Alarm enable Day Rainfall High", SetupFieldKind::check},
    {1173, "Alarm enable Absolute Pressure Low", SetupFieldKind::check},
    {1174, "Alarm enable Absolute Pressure High", SetupFieldKind::check},
    {1175, "Alarm enable Relative Pressure Low", SetupFieldKind::check},
    {1180, "Alarm enable Relative Pressure High", SetupFieldKind::check},
    {1184, "Alarm enable Indoor Temperature Low", SetupFieldKind::check},
    {1186, "Alarm enable Indoor Temperature High", SetupFieldKind::check},
    {1187, "Alarm enable Outdoor Temperature Low", SetupFieldKind::check},
    {1188, "Alarm enable Outdoor Temperature High", SetupFieldKind::check},
    {1189, "Alarm enable Windchill Low", SetupFieldKind::check},
    {1190, "Alarm enable Windchill High", SetupFieldKind::check},
    {1191, "Alarm enable Dewpoint Low", SetupFieldKind::check},
    {1192, "Alarm enable Dewpoint High", SetupFieldKind::check},
    {F::kRelativePressure, "Relative pressure", SetupFieldKind::number},
    {F::kAbsolutePressure, "Absolute pressure", SetupFieldKind::shown},
};

// A list entry: the same text in every language, or a text of the language table.
struct Choice {
    std::string_view literal;
    TextKey key = "";
};
Choice lit(std::string_view t) {
    return Choice{t};
}
Choice key(TextKey k) {
    return Choice{{}, k};
}

std::vector<Choice> choiceSpecs(int control) {
    switch (control) {
    case F::kTimeZone:
        return {lit("+12"), lit("+11"), lit("+10"), lit("+9"), lit("+8"), lit("+7"), lit("+6"),
                lit("+5"),  lit("+4"),  lit("+3"),  lit("+2"), lit("+1"), lit("0"),  lit("-1"),
                lit("-2"),  lit("-3"),  lit("-4"),  lit("-5"), lit("-6"), lit("-7"), lit("-8"),
                lit("-9"),  lit("-10"), lit("-11"), lit("-12")};
    case F::kIndoorUnit:
    case F::kOutdoorUnit:
        return {lit(unit::celsius), lit(unit::fahrenheit)};
    case F::kPressureUnit:
        return {lit(unit::hpa), lit(unit::inHg), lit(unit::mmHg)};
    case F::kWindUnit:
        return {lit(unit::metresPerSecond), lit(unit::kmPerHour), lit(unit::knot), lit(unit::milesPerHour),
                lit(unit::beaufort)};
    case F::kRainUnit:
        return {lit(unit::mm), lit(unit::inch)};
    case F::kDateDisplay:
        return {key(TextRow::dateWithYear), key(TextRow::dateWithWeek), key("setup.alarm_time")};
    case F::kDateFormat:
        return {key("setup.date.ymd"), key("setup.date.mdy"), key("setup.date.dmy")};
    case F::kTimeFormat:
        return {lit("24H"), lit("12H")};
    case F::kAxis:
        return {key("setup.hours12"), key("setup.hours24")};
    case F::kOutdoorDisplay:
        return {key(TextRow::temperature), key(TextRow::windchill), key(TextRow::dewpoint)};
    case F::kPressureDisplay:
        return {key(TextRow::absolute), key(TextRow::relative)};
    case F::kWindDisplay:
        return {key(TextRow::wind), key(TextRow::gust)};
    case F::kRainDisplay:
        return {key(TextRow::hour), key("setup.hours24"), key(TextRow::week), key(TextRow::month),
                key(TextRow::total)};
    default:
        return {};
    }
}

std::string choiceText(const Choice& c, const LanguageTable& texts) {
    if (!c.literal.empty()) return std::string(c.literal);
    return texts.text(c.key);
}

// The settings field that a list edits as its index ("0", "1", ...).
std::string StationSettings::*indexField(int control) {
    switch (control) {
    case F::kDateFormat:
        return &StationSettings::dateFmt;
    case F::kTimeFormat:
        return &StationSettings::hourFmt;
    case F::kAxis:
        return &StationSettings::axisFmt;
    case F::kOutdoorDisplay:
        return &StationSettings::outTempFmt;
    case F::kPressureDisplay:
        return &StationSettings::presFmt;
    case F::kWindDisplay:
        return &StationSettings::windFmt;
    case F::kRainDisplay:
        return &StationSettings::rainFmt;
    default:
        return nullptr;
    }
}

// The settings field that a list edits as its entry's text.
std::string StationSettings::*textField(int control) {
    switch (control) {
    case F::kTimeZone:
        return &StationSettings::timeZone;
    case F::kPressureUnit:
        return &StationSettings::presUnit;
    case F::kWindUnit:
        return &StationSettings::windUnit;
    case F::kRainUnit:
        return &StationSettings::rainUnit;
    default:
        return nullptr;
    }
}

std::string lowered(std::string_view s) {
    std::string out(trimmed(s));
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

void setUnits(StationSettings& s, const UnitSelection& u) {
    s.indTempUnit = u.indoorTemperature;
    s.outTempUnit = u.outdoorTemperature;
    s.rainUnit = u.rain;
    s.presUnit = u.pressure;
    s.windUnit = u.wind;
}

// The caption rows that name a threshold in a message: its quantity's, then "High" or "Low".
struct ThresholdCaption {
    std::string AlarmThresholds::*field;
    TextRow captionRow;
    TextRow levelRow;
};
constexpr ThresholdCaption kThresholdCaptions[] = {
    {&AlarmThresholds::indTempHighAlarm, TextRow::indoorTemperature, TextRow::high},
    {&AlarmThresholds::indTempLowAlarm, TextRow::indoorTemperature, TextRow::low},
    {&AlarmThresholds::outTempHighAlarm, TextRow::outdoorTemperature, TextRow::high},
    {&AlarmThresholds::outTempLowAlarm, TextRow::outdoorTemperature, TextRow::low},
    {&AlarmThresholds::windchillHighAlarm, TextRow::windchill, TextRow::high},
    {&AlarmThresholds::windchillLowAlarm, TextRow::windchill, TextRow::low},
    {&AlarmThresholds::dewpointHighAlarm, TextRow::dewpoint, TextRow::high},
    {&AlarmThresholds::dewpointLowAlarm, TextRow::dewpoint, TextRow::low},
    {&AlarmThresholds::absPresHighAlarm, TextRow::absolutePressure, TextRow::high},
    {&AlarmThresholds::absPresLowAlarm, TextRow::absolutePressure, TextRow::low},
    {&AlarmThresholds::relPresHighAlarm, TextRow::relativePressure, TextRow::high},
    {&AlarmThresholds::relPresLowAlarm, TextRow::relativePressure, TextRow::low},
    {&AlarmThresholds::windAlarm, TextRow::windVelocity, TextRow::high},
    {&AlarmThresholds::gustAlarm, TextRow::gustVelocity, TextRow::high},
    {&AlarmThresholds::hourRainAlarm, TextRow::hourRainfall, TextRow::high},
    {&AlarmThresholds::dayRainAlarm, TextRow::dayRainfall, TextRow::high},
};

// The unit list whose change a quantity follows.
int unitListOf(ThresholdQuantity quantity) {
    switch (quantity) {
    case ThresholdQuantity::indoorTemperature:
        return F::kIndoorUnit;
    case ThresholdQuantity::outdoorTemperature:
        return F::kOutdoorUnit;
    case ThresholdQuantity::pressure:
        return F::kPressureUnit;
    case ThresholdQuantity::wind:
        return F::kWindUnit;
    case ThresholdQuantity::rain:
        return F::kRainUnit;
    case ThresholdQuantity::count:
        break;
    }
    return 0;
}

ThresholdQuantity quantityOf(std::string AlarmThresholds::*field) {
    for (const UnitThreshold& t : unitThresholds())
        if (t.field == field) return t.quantity;
    return ThresholdQuantity::count;
}

} // namespace

SetupForm::SetupForm(StationAccess& station, Clock& clock, const LanguageTable& texts)
    : station_(station), clock_(clock), texts_(texts) {
    load(StationSettings{}, AlarmThresholds{});
}

std::span<const SetupFieldInfo> SetupForm::fields() {
    return kFields;
}

const SetupFieldInfo* SetupForm::field(int control) {
    for (const SetupFieldInfo& f : kFields)
        if (f.control == control) return &f;
    return nullptr;
}

std::span<const int> SetupForm::alarmEnableControls() {
    return kAlarmBoxes;
}

FormOutcome SetupForm::open() {
    dataRead_ = false;
    StationSettings settings;
    AlarmThresholds alarms;
    FormOutcome outcome;
    {
        StationBusyLock lock(station_.busy());
        if (!lock.acquire(clock_)) return FormOutcome::failure(texts_.text(TextRow::cannotCommunicate));
        const bool settingsRead = station_.readSettingsBlock(settings);
        if (!settingsRead) outcome.tell(texts_.text(TextRow::setupReadFailed));
        const bool alarmsRead = station_.readAlarmBlock(alarms);
        if (!alarmsRead) outcome.tell(texts_.text(TextRow::alarmReadFailed));
        if (!settingsRead || !alarmsRead) return outcome;
    }
    load(settings, alarms);
    dataRead_ = true;
    return FormOutcome::success();
}

void SetupForm::load(const StationSettings& settings, const AlarmThresholds& alarms) {
    settings_ = settings;
    alarms_ = alarms;
    selections_.clear();
    relativeEdited_ = false;

    auto indexOfText = [&](int control, const std::string& text) {
        const auto specs = choiceSpecs(control);
        for (std::size_t i = 0; i < specs.size(); ++i)
            if (specs[i].literal == text) return static_cast<int>(i);
        return -1; // a value no entry shows: nothing selected, and the station keeps it
    };
    for (int control : {kTimeZone, kPressureUnit, kWindUnit, kRainUnit})
        selections_[control] = indexOfText(control, settings.*textField(control));
    selections_[kIndoorUnit] = settings.indTempUnit == unit::celsius ? 0 : 1;
    selections_[kOutdoorUnit] = settings.outTempUnit == unit::celsius ? 0 : 1;
    selections_[kDateDisplay] = 0;
    for (int control :
         {kDateFormat, kTimeFormat, kAxis, kOutdoorDisplay, kPressureDisplay, kWindDisplay, kRainDisplay}) {
        const long long index = integerValue(settings.*indexField(control));
        const bool fits = index >= 0 && index < static_cast<long long>(choiceSpecs(control).size());
        selections_[control] = fits ? static_cast<int>(index) : -1;
    }
    const auto flags = settingsAlarmFlags();
    for (std::size_t i = 0; i < kAlarmBoxes.size(); ++i)
        selections_[kAlarmBoxes[i]] = settings.*(flags[i].text) == "1" ? 1 : 0;

    editTexts_[kInterval] = settings.historyCircle;
    shownPressureUnit_ = settings.presUnit;
    editTexts_[kRelativeHpa] = pressureText(alarms.relPres, 0.1f, unit::hpa, unit::hpa);
    editTexts_[kAbsoluteHpa] = pressureText(alarms.absPres, 0.1f, unit::hpa, unit::hpa);
    editTexts_[kRelativePressure] = pressureText(alarms.relPres, 0.1f, unit::hpa, shownPressureUnit_);
    editTexts_[kAbsolutePressure] = pressureText(alarms.absPres, 0.1f, unit::hpa, shownPressureUnit_);
    setPressureRange(300.0f, 1500.0f);
}

void SetupForm::setPressureRange(float lowHpa, float highHpa) {
    pressureLow_ = fromHpa(lowHpa, 1.0f, shownPressureUnit_);
    pressureHigh_ = fromHpa(highHpa, 1.0f, shownPressureUnit_);
}

std::vector<std::string> SetupForm::choices(int control) const {
    std::vector<std::string> out;
    for (const Choice& c : choiceSpecs(control)) out.push_back(choiceText(c, texts_));
    return out;
}

int SetupForm::selection(int control) const {
    const auto it = selections_.find(control);
    return it == selections_.end() ? -1 : it->second;
}

void SetupForm::select(int control, int index) {
    const SetupFieldInfo* info = field(control);
    if (info == nullptr) return;
    if (info->kind == SetupFieldKind::check) {
        selections_[control] = index == 0 ? 0 : 1;
        return;
    }
    if (info->kind != SetupFieldKind::list) return;
    const auto specs = choiceSpecs(control);
    if (index < 0 || index >= static_cast<int>(specs.size())) index = -1;
    selections_[control] = index;

    if (control == kPressureUnit && index >= 0) {
        const std::string next(specs[index].literal);
        if (next == shownPressureUnit_) return;
        for (int box : {kRelativePressure, kAbsolutePressure})
            editTexts_[box] = pressureText(editTexts_[box], 1.0f, shownPressureUnit_, next);
        shownPressureUnit_ = next;
        // After a change of unit the window permits the narrower range.
        setPressureRange(500.0f, 1100.0f);
    }
}

std::string SetupForm::text(int control) const {
    const auto it = editTexts_.find(control);
    return it == editTexts_.end() ? std::string() : it->second;
}

void SetupForm::setText(int control, std::string text) {
    if (control != kInterval && control != kRelativePressure) return;
    std::string& current = editTexts_[control];
    if (current == text) return; // passing through a box changes nothing
    if (control == kRelativePressure) relativeEdited_ = true;
    current = std::move(text);
}

std::string SetupForm::shownValue(int control) const {
    const SetupFieldInfo* info = field(control);
    if (info == nullptr) return {};
    switch (info->kind) {
    case SetupFieldKind::check:
        return checked(control) ? "on" : "off";
    case SetupFieldKind::integer:
        return text(control) + " " + texts_.text(TextRow::minute);
    case SetupFieldKind::number:
    case SetupFieldKind::shown:
        return shownPressureUnit_.empty() ? text(control) : text(control) + " " + shownPressureUnit_;
    case SetupFieldKind::list: {
        const int index = selection(control);
        if (index >= 0) return choices(control)[index];
        // Nothing selected: the station's own value, which a save keeps.
        auto member = textField(control) != nullptr ? textField(control) : indexField(control);
        return member != nullptr ? settings_.*member : std::string();
    }
    }
    return {};
}

std::optional<std::string> SetupForm::assign(int control, std::string_view value) {
    const SetupFieldInfo* info = field(control);
    if (info == nullptr) return std::string("no such setting");
    switch (info->kind) {
    case SetupFieldKind::check: {
        const std::string v = lowered(value);
        if (v == "on" || v == "1" || v == "yes" || v == "true") {
            setChecked(control, true);
        } else if (v == "off" || v == "0" || v == "no" || v == "false") {
            setChecked(control, false);
        } else {
            return "\"" + std::string(value) + "\" is neither on nor off";
        }
        return std::nullopt;
    }
    case SetupFieldKind::integer:
    case SetupFieldKind::number:
        setText(control, std::string(trimmed(value)));
        return std::nullopt;
    case SetupFieldKind::shown:
        return std::string("shown only: the station measures it");
    case SetupFieldKind::list: {
        const std::string wanted = lowered(value);
        const LanguageTable english(nimbrel::english);
        const auto specs = choiceSpecs(control);
        for (std::size_t i = 0; i < specs.size(); ++i)
            if (lowered(choiceText(specs[i], texts_)) == wanted ||
                lowered(choiceText(specs[i], english)) == wanted) {
                select(control, static_cast<int>(i));
                return std::nullopt;
            }
        std::string list;
        for (const std::string& c : choices(control)) list += (list.empty() ? "" : ", ") + c;
        return "\"" + std::string(value) + "\" is none of " + list;
    }
    }
    return std::nullopt;
}

std::string SetupForm::prompt(std::string_view key, double low, double high) const {
    return texts_.text(key, {boundText(low), boundText(high)});
}

FormOutcome SetupForm::validate() const {
    const auto interval = wholeInteger(text(kInterval));
    if (!interval || *interval < kIntervalMin || *interval > kIntervalMax)
        return FormOutcome::failure(prompt("setup.prompt.integer", kIntervalMin, kIntervalMax), kInterval);
    if (relativeEdited_) {
        // The bounds are compared as the prompt prints them, so the very bound it names is taken.
        const std::string low = boundText(pressureLow_), high = boundText(pressureHigh_);
        const auto value = wholeNumber(text(kRelativePressure));
        if (!value || *value < *wholeNumber(low) || *value > *wholeNumber(high))
            return FormOutcome::failure(texts_.text("setup.prompt.number", {low, high}), kRelativePressure);
    }
    return FormOutcome::success();
}

FormOutcome SetupForm::plan(const StationSettings& fresh, const AlarmThresholds& freshAlarms,
                            SetupWrites& out) const {
    out = SetupWrites{fresh, freshAlarms, {}};
    StationSettings& s = out.settings;
    // The units the station's thresholds are in now: those of the settings just read, unless an
    // earlier save changed the units and could not change the thresholds with them.
    const UnitSelection oldUnits = strandedThresholdUnits_.value_or(unitSelectionOf(fresh));

    for (int control : {kTimeZone, kPressureUnit, kWindUnit, kRainUnit}) {
        const int index = selection(control);
        if (index >= 0) s.*textField(control) = std::string(choiceSpecs(control)[index].literal);
    }
    s.indTempUnit = selection(kIndoorUnit) == 1 ? unit::fahrenheit : unit::celsius;
    s.outTempUnit = selection(kOutdoorUnit) == 1 ? unit::fahrenheit : unit::celsius;
    if (const auto interval = wholeInteger(text(kInterval))) s.historyCircle = std::to_string(*interval);
    for (int control :
         {kDateFormat, kTimeFormat, kAxis, kOutdoorDisplay, kPressureDisplay, kWindDisplay, kRainDisplay}) {
        const int index = selection(control);
        if (index >= 0) s.*indexField(control) = std::to_string(index);
    }
    const auto flags = settingsAlarmFlags();
    for (std::size_t i = 0; i < kAlarmBoxes.size(); ++i)
        s.*(flags[i].text) = checked(kAlarmBoxes[i]) ? "1" : "0";

    const UnitSelection newUnits = unitSelectionOf(s);
    out.thresholdUnits = newUnits;
    AlarmThresholds& a = out.alarms;
    if (const auto refusal = rewriteThresholds(a, oldUnits, newUnits)) {
        std::string name;
        for (const ThresholdCaption& c : kThresholdCaptions)
            if (c.field == refusal->field) name = texts_.text(c.captionRow) + " " + texts_.text(c.levelRow);
        const ThresholdQuantity quantity = quantityOf(refusal->field);
        const std::string value = refusal->text + " " + std::string(thresholdUnit(newUnits, quantity));
        return FormOutcome::failure(texts_.text("setup.threshold_too_large", {name, value}),
                                    unitListOf(quantity));
    }

    // The current pressures stay the station's own unless the user typed a relative pressure;
    // that one is converted once, from the text that was validated.
    if (relativeEdited_) {
        const std::string hpa = pressureText(text(kRelativePressure), 1.0f, shownPressureUnit_, unit::hpa);
        const long long tenths = std::llround(numberValue(hpa) * 10.0);
        if (!isMarkerText(hpa) && tenths > 0 && tenths <= 0xFFFF) a.relPres = std::to_string(tenths);
    }
    return FormOutcome::success();
}

FormOutcome SetupForm::save() {
    if (!dataRead_) return FormOutcome::failure(texts_.text(TextRow::setupReadFailed));
    StationBusyLock lock(station_.busy());
    if (!lock.acquire(clock_)) return FormOutcome::failure(texts_.text(TextRow::cannotCommunicate));
    StationSettings fresh;
    AlarmThresholds freshAlarms;
    if (!station_.readSettingsBlock(fresh))
        return FormOutcome::failure(texts_.text(TextRow::setupReadFailed));
    if (!station_.readAlarmBlock(freshAlarms))
        return FormOutcome::failure(texts_.text(TextRow::alarmReadFailed));
    return saveWith(fresh, freshAlarms);
}

FormOutcome SetupForm::saveWith(const StationSettings& fresh, const AlarmThresholds& freshAlarms) {
    SetupWrites writes;
    if (FormOutcome planned = plan(fresh, freshAlarms, writes); !planned.done) return planned;
    const UnitSelection thresholdsNowIn = strandedThresholdUnits_.value_or(unitSelectionOf(fresh));

    // The two areas as the station held them, and as each write that it took leaves them.
    const std::vector<std::uint8_t> settingsBefore = hexDumpBytes(fresh.hexDump);
    const std::vector<std::uint8_t> alarmsBefore = hexDumpBytes(freshAlarms.hexDump);
    std::vector<std::uint8_t> settingsAfter = settingsBefore, alarmsAfter = alarmsBefore;
    auto outcome = [&](FormOutcome result) {
        addByteChanges(result.changes, kSettingsAddress, settingsBefore, settingsAfter);
        addByteChanges(result.changes, kAlarmAddress, alarmsBefore, alarmsAfter);
        return result;
    };
    auto settingsWritten = [&](StationSettings& settings) {
        if (!station_.writeSettingsBlock(settings)) return false;
        std::array<std::uint8_t, kSettingsLength> bytes{};
        encodeSettings(settings, bytes);
        settingsAfter.assign(bytes.begin(), bytes.end());
        return true;
    };

    if (!settingsWritten(writes.settings)) return FormOutcome::failure(texts_.text(TextRow::setupSaveFailed));
    // The new settings are on the station: the thresholds are stranded again below only if they stay
    // in other units than the settings.
    strandedThresholdUnits_.reset();
    if (station_.writeAlarmBlock(writes.alarms)) {
        std::array<std::uint8_t, kAlarmLength> bytes{};
        encodeAlarms(writes.alarms, bytes);
        alarmsAfter.assign(bytes.begin(), bytes.end());
        return outcome(FormOutcome::success());
    }
    // The station now has the new units but its thresholds are still in the old ones: put the
    // settings read before the save back, in the units of those thresholds. (A refused alarm write
    // is taken to have changed nothing.)
    StationSettings back = fresh;
    setUnits(back, thresholdsNowIn);
    if (settingsWritten(back)) return outcome(FormOutcome::failure(texts_.text(TextRow::alarmSaveFailed)));
    strandedThresholdUnits_ = thresholdsNowIn;
    return outcome(FormOutcome::failure(texts_.text("setup.units_not_restored")));
}

FormOutcome SetupForm::loadDefaults() {
    return runStationCommand(StationCommand::loadDefaults, station_, clock_, texts_);
}

} // namespace nimbrel
