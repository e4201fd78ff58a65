#include "app/scope_form.h"

#include "app/language_table.h"
#include "presentation/min_max_repair.h"
#include "presentation/record_builders.h"
#include "presentation/time_text.h"
#include "station/byte_codec.h"
#include "station/history_record.h"
#include "station/station_access.h"
#include "station/station_busy.h"
#include "store/store_rain_totals.h"

#include <algorithm>

namespace nimbrel {

namespace {

using T = MinMaxTable;
using R = TextRow;
constexpr TextKey kRainMaximum = "scope.rain_maximum";

const std::array<ScopeBox, 23> kBoxes = {{
    {10061, 1051, R::indoorHumidity, R::maximum, "Indoor Humidity Maximum", &T::indHumiMax,
     BoxUnit::humidity},
    {10059, 1052, R::indoorHumidity, R::minimum, "Indoor Humidity Minimum", &T::indHumiMin,
     BoxUnit::humidity},
    {10057, 1053, R::outdoorHumidity, R::maximum, "Outdoor Humidity Maximum", &T::outHumiMax,
     BoxUnit::humidity},
    {10055, 1054, R::outdoorHumidity, R::minimum, "Outdoor Humidity Minimum", &T::outHumiMin,
     BoxUnit::humidity},
    {10048, 1055, R::indoorTemperature, R::maximum, "Indoor Temperature Maximum", &T::indTempMax,
     BoxUnit::indoorTemperature},
    {10050, 1056, R::indoorTemperature, R::minimum, "Indoor Temperature Minimum", &T::indTempMin,
     BoxUnit::indoorTemperature},
    {10046, 1057, R::outdoorTemperature, R::maximum, "Outdoor Temperature Maximum", &T::outTempMax,
     BoxUnit::outdoorTemperature},
    {10045, 1058, R::outdoorTemperature, R::minimum, "Outdoor Temperature Minimum", &T::outTempMin,
     BoxUnit::outdoorTemperature},
    {10085, 1059, R::windchill, R::maximum, "Windchill Maximum", &T::windchillMax,
     BoxUnit::outdoorTemperature},
    {10084, 1060, R::windchill, R::minimum, "Windchill Minimum", &T::windchillMin,
     BoxUnit::outdoorTemperature},
    {10068, 1061, R::dewpoint, R::maximum, "Dewpoint Maximum", &T::dewpointMax, BoxUnit::outdoorTemperature},
    {10066, 1062, R::dewpoint, R::minimum, "Dewpoint Minimum", &T::dewpointMin, BoxUnit::outdoorTemperature},
    {10075, 1063, R::absolutePressure, R::maximum, "Absolute Pressure Maximum", &T::absPresMax,
     BoxUnit::pressure},
    {10076, 1064, R::absolutePressure, R::minimum, "Absolute Pressure Minimum", &T::absPresMin,
     BoxUnit::pressure},
    {10072, 1065, R::relativePressure, R::maximum, "Relative Pressure Maximum", &T::relPresMax,
     BoxUnit::pressure},
    {10070, 1066, R::relativePressure, R::minimum, "Relative Pressure Minimum", &T::relPresMin,
     BoxUnit::pressure},
    {10174, 1067, R::wind, R::maximum, "Wind Maximum", &T::windMax, BoxUnit::wind},
    {10173, 1068, R::gust, R::maximum, "Gust Maximum", &T::gustMax, BoxUnit::wind},
    {10087, 1069, kRainMaximum, R::hour, "Rain Maximum Hour", &T::hourRainMax, BoxUnit::rain},
    {10089, 1070, kRainMaximum, "scope.24_hours", "Rain Maximum 24 Hours", &T::dayRainMax, BoxUnit::rain},
    {10091, 1071, kRainMaximum, R::week, "Rain Maximum Week", &T::weekRainMax, BoxUnit::rain},
    {10093, 1072, kRainMaximum, R::month, "Rain Maximum Month", &T::monthRainMax, BoxUnit::rain},
    {10021, 1073, kRainMaximum, R::total, "Rain Maximum Total", &T::totalRainMax, BoxUnit::rain},
}};

void addMessage(std::vector<TextRow>& messages, TextRow row) {
    if (std::find(messages.begin(), messages.end(), row) == messages.end()) messages.push_back(row);
}

} // namespace

const std::array<ScopeBox, 23>& scopeBoxes() {
    return kBoxes;
}

FormOutcome ScopeForm::open(StationAccess& station, HistoryStore& store, Clock& clock,
                            const LanguageTable& texts) {
    std::vector<TextRow> failures;
    {
        StationBusyLock busy(station.busy());
        if (!busy.acquire(clock)) return FormOutcome::failure(texts.text(TextRow::cannotCommunicate));

        minMaxRead_ = station.readMinMaxBlock(minMax);
        if (!minMaxRead_) addMessage(failures, TextRow::scopeReadFailed);
        settingsRead_ = station.readSettingsBlock(settings);
        if (!settingsRead_) addMessage(failures, TextRow::setupReadFailed);
        alarmsRead_ = station.readAlarmBlock(alarms);
        if (!alarmsRead_) addMessage(failures, TextRow::setupReadFailed);

        // The current record sits where the settings just read say; without them there is no
        // address to read (address 0 would read the settings bytes as if they were a record).
        const auto address = static_cast<unsigned>(codec::parseInteger(settings.historyStackAddr));
        if (settingsRead_) {
            WeatherSample sample;
            recordRead_ = isRecordAddress(address) && station.readRecordAt(address, sample);
            if (recordRead_)
                reading = std::move(sample);
            else
                addMessage(failures, TextRow::setupReadFailed);
        }
    } // the station is free again before anything is computed or shown

    build(&store, clock);
    FormOutcome outcome = FormOutcome::success();
    for (TextRow row : failures) outcome.tell(texts.text(row));
    return outcome;
}

void ScopeForm::build(HistoryStore* store, Clock& clock) {
    MinMaxTable shown = minMax;
    minMaxForDisplay(shown, settings);
    if (recordRead_) {
        WeatherSample current = reading;
        normaliseSample(current, settings, alarms);
        if (store) computeRainTotalsFromStore(current, *store, clock);
        sampleForDisplay(current, settings);
        // Extremes that were never read are not "repaired" into the current reading.
        if (minMaxRead_) repairMinMax(shown, settings, current);
    }
    for (std::size_t i = 0; i < kBoxes.size(); ++i) {
        const MinMaxEntry& e = shown.*(kBoxes[i].entry);
        values_[i] = e.value + " " + unitText(kBoxes[i].unit, settings);
        times_[i] =
            stationTimeText(e.time, settings.formats.dateFormatIndex, settings.formats.clockFormatIndex);
    }
}

std::string ScopeForm::textOf(int controlId) const {
    for (std::size_t i = 0; i < kBoxes.size(); ++i) {
        if (kBoxes[i].valueId == controlId) return values_[i];
        if (kBoxes[i].timeId == controlId) return times_[i];
    }
    return {};
}

} // namespace nimbrel
