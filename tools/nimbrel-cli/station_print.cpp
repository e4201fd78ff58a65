#include "tools/nimbrel-cli/station_print.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace nimbrel::cli {

namespace {

void line(std::ostream& out, std::string_view name, std::string_view value) {
    while (!value.empty() && value.back() == ' ') value.remove_suffix(1); // hex texts end in a blank
    out << name << ": " << value << '\n';
}

std::string withHex(const std::string& decimal) {
    char text[48];
    std::snprintf(text, sizeof text, "%s (0x%04llX)", decimal.c_str(), std::stoull("0" + decimal));
    return text;
}

} // namespace

void printSettings(std::ostream& out, const StationSettings& s) {
    line(out, "initFlag1", s.initFlag1);
    line(out, "initFlag2", s.initFlag2);
    line(out, "reserved02", s.reserved02);
    line(out, "historyCircle", s.historyCircle);
    line(out, "indTempUnit", s.indTempUnit);
    line(out, "outTempUnit", s.outTempUnit);
    line(out, "rainUnit", s.rainUnit);
    line(out, "presUnit", s.presUnit);
    line(out, "windUnit", s.windUnit);
    line(out, "presFmt", s.presFmt);
    line(out, "windFmt", s.windFmt);
    line(out, "hourFmt", s.hourFmt);
    line(out, "axisFmt", s.axisFmt);
    line(out, "dateFmt", s.dateFmt);
    line(out, "outTempFmt", s.outTempFmt);
    line(out, "rainFmt", s.rainFmt);
    for (const SettingsFlagField& f : settingsAlarmFlags()) line(out, f.name, s.*f.text);
    line(out, "timeZone", s.timeZone);
    line(out, "reserved19", s.reserved19);
    line(out, "updateFlag", s.updateFlag);
    line(out, "historyRecords", s.historyRecords);
    line(out, "reserved1D", s.reserved1D);
    line(out, "historyStackAddr", withHex(s.historyStackAddr));
}

void printAlarms(std::ostream& out, const AlarmThresholds& a) {
    for (const AlarmFieldInfo& f : alarmFields()) line(out, f.name, a.*f.text);
}

void printMinMax(std::ostream& out, const MinMaxTable& m) {
    line(out, "reserved60", m.reserved60);
    for (const MinMaxFieldInfo& f : minMaxFields()) {
        const MinMaxEntry& e = m.*f.entry;
        line(out, f.name, e.value);
        line(out, std::string(f.name) + "Time", e.time);
    }
}

void printRecord(std::ostream& out, const WeatherSample& s) {
    line(out, "hexValue", s[WeatherSample::hexValue]);
    for (int p : WeatherSample::kTriples) {
        line(out, WeatherSample::nameOf(p), s[p]);
        line(out, WeatherSample::nameOf(p + 1), s[p + 1]);
        line(out, WeatherSample::nameOf(p + 2), std::to_string(s.raw(p)));
    }
    for (int p : {WeatherSample::relPres, WeatherSample::windsError, WeatherSample::gustError,
                  WeatherSample::rainError, WeatherSample::totalRainOverflow, WeatherSample::flag_bin})
        line(out, WeatherSample::nameOf(p), s[p]);
}

} // namespace nimbrel::cli
