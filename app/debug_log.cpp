#include "app/debug_log.h"

#include "app/language_table.h"
#include "presentation/decimal_text.h"
#include "station/history_record.h"
#include "station/station_access.h"
#include "station/station_busy.h"

#include <cctype>
#include <cstdio>
#include <type_traits>

namespace nimbrel {

namespace {

const char* arrowOf(DumpDirection d) {
    return d == DumpDirection::read ? "->" : "<-";
}

const FieldDebug& field(const FieldDebugMap& debug, std::string_view name) {
    static const FieldDebug none;
    const auto it = debug.find(name);
    return it == debug.end() ? none : it->second;
}

// name ": " hex arrow raw arrow text, the raw value signed.
std::string valueLine(std::string_view name, const FieldDebug& f, const std::string& text,
                      const char* arrow) {
    std::string line(name);
    line += ": " + f.hex + arrow + std::to_string(f.raw) + arrow + text;
    return line;
}

// Builds a dump line by line in the window's language for the worded labels.
class Dump {
public:
    Dump(const LanguageTable& texts, DumpDirection d) : texts_(texts), arrow(arrowOf(d)) {}
    const std::string& label(std::string_view key) const { return texts_.text(key); }
    void line(const std::string& text) { out += text + "\n"; }

    std::string out;

private:
    const LanguageTable& texts_;

public:
    const char* arrow;
};

} // namespace

std::string settingsDump(const StationSettings& s, DumpDirection direction, const LanguageTable& texts) {
    if (s.hexDump.empty()) return {};
    Dump d(texts, direction);
    const char* a = d.arrow;
    const FieldDebugMap& m = s.debug;
    auto hexArrowText = [&](const char* name, const std::string& text) {
        return std::string(name) + ": " + field(m, name).hex + a + text;
    };
    auto bitsArrowText = [&](const char* name, const char* bitsOf, const std::string& text) {
        return std::string(name) + ": " + field(m, bitsOf).bits + a + text;
    };
    auto unitLine = [&](const char* name, const std::string& text) {
        return std::string(name) + ": " + std::to_string(field(m, name).raw) + a + text;
    };

    d.line(d.label("debug.label.basic_settings") + " (00H-1FH): " + s.hexDump);
    d.line(hexArrowText("initFlag1", s.initFlag1) + "(EEPROM " + d.label("debug.label.init_flag") + " 55H)");
    d.line(hexArrowText("initFlag2", s.initFlag2) + "(EEPROM " + d.label("debug.label.init_flag") + " AAH)");
    d.line(valueLine("historyCircle", field(m, "historyCircle"), s.historyCircle, a));
    d.line(unitLine("indTempUnit", s.indTempUnit) + "(0 - ℃，1 - ℉)");
    d.line(unitLine("outTempUnit", s.outTempUnit) + "(0 - ℃，1 - ℉)");
    d.line(unitLine("rainUnit", s.rainUnit) + "(0 - mm,1 - inch)");
    d.line(bitsArrowText("presUnit", "presUnit", s.presUnit) + "(bit5~Hpa, bit6~inHg, bit7~mmHg )");
    d.line(bitsArrowText("windUnit", "windUnit", s.windUnit) +
           "(bit0~m/s, bit1~km/h, bit2~knot, bit3~m/h, bit4~bft)");
    d.line("presFmt: " + s.presFmt + "(0 - " + d.label("debug.label.abs_pressure") + ",1 - " +
           d.label("debug.label.rel_pressure") + ")");
    d.line("windFmt: " + s.windFmt + "(0 - " + d.label("debug.label.average_wind") + ",1 - " +
           d.label("debug.label.gust_speed") + ")");
    d.line("hourFmt: " + s.hourFmt + "(0 - 24" + d.label("debug.label.hour_clock") + ",1 - 12" +
           d.label("debug.label.hour_clock") + ")");
    d.line("dateFmt: " + s.dateFmt + "(0 - DD_MM_YY,1 - MM_DD_YY)");
    d.line("axisFmt: " + s.axisFmt + "(0 - 12" + d.label("debug.label.hour_axis") + ", 1 - 24" +
           d.label("debug.label.hour_axis") + ")");
    // The time display format shares bits 7-5 of byte 0x13 with the date format; it has no text.
    d.line(bitsArrowText("timeFmt", "dateFmt", "") + "(0-" + d.label("debug.label.full_date") + ", 1-" +
           d.label("debug.label.date_weekday") + ", 2-" + d.label("debug.label.alarm_time") + ")");
    d.line(bitsArrowText("outTempFmt", "outTempFmt", s.outTempFmt) + "(0-" +
           d.label("debug.label.temperature") + ", 1-" + d.label("debug.label.wind_chill") + ", 2-" +
           d.label("debug.label.dew_point") + ")");
    d.line(bitsArrowText("rainFmt", "rainFmt", s.rainFmt) + "(0-" + d.label("debug.label.hour_rain") +
           ", 1-24" + d.label("debug.label.day_rain") + ", 2-" + d.label("debug.label.week_rain") + ", 3-" +
           d.label("debug.label.month_rain") + ", 4-" + d.label("debug.label.total_rain") + ")");
    for (const SettingsFlagField& f : settingsAlarmFlags()) {
        const std::string name = f.name;
        d.line(name + (name == "outHumiLowAlarmFlag" ? " " : ": ") + s.*f.text);
    }
    d.line(valueLine("timeZone", field(m, "timeZone"), s.timeZone, a));
    d.line(hexArrowText("updateFlag", s.updateFlag) + "(0-" + d.label("debug.label.not_changed") + ",AA-" +
           d.label("debug.label.changed") + ")");
    d.line(valueLine("historyRecords", field(m, "historyRecords"), s.historyRecords, a) + "(" +
           d.label("debug.label.record_groups") + ")");
    d.line(hexArrowText("historyStackAddr", s.historyStackAddr) + "(" + d.label("debug.label.stack_address") +
           ")");
    return d.out;
}

std::string alarmDump(const AlarmThresholds& alarms, DumpDirection direction, const LanguageTable& texts) {
    if (alarms.hexDump.empty()) return {};
    Dump d(texts, direction);
    d.line(d.label("debug.label.alarm_settings") + " (20H-60H): " + alarms.hexDump);
    for (const AlarmFieldInfo& f : alarmFields()) {
        if (f.kind == AlarmFieldKind::reserved) continue;
        const std::string& text = alarms.*f.text;
        if (f.kind == AlarmFieldKind::bcdByte)
            d.line(std::string(f.name) + ": " + text);
        else
            d.line(valueLine(f.name, field(alarms.debug, f.name), text, d.arrow));
    }
    return d.out;
}

std::string minMaxDump(const MinMaxTable& minMax, DumpDirection direction, const LanguageTable& texts) {
    if (minMax.hexDump.empty()) return {};
    Dump d(texts, direction);
    d.line(d.label("debug.label.min_max") + " (60H-FFH): " + minMax.hexDump);
    for (const MinMaxFieldInfo& f : minMaxFields()) {
        const MinMaxEntry& e = minMax.*f.entry;
        d.line(valueLine(f.name, field(minMax.debug, f.name), e.value, d.arrow) +
               ", Time: " + field(minMax.debug, std::string(f.name) + "Time").hex + d.arrow + e.time);
    }
    return d.out;
}

std::string recordDump(const WeatherSample& s, DumpDirection direction, const LanguageTable& texts) {
    using W = WeatherSample;
    Dump d(texts, direction);
    auto triple = [&](int pos) {
        return std::string(W::nameOf(pos)) + ": " + s[pos + 1] + d.arrow + std::to_string(s.raw(pos)) +
               d.arrow + s[pos];
    };
    char geometry[64];
    std::snprintf(geometry, sizeof geometry, "(%06X-%04X)/%d=%d", 0x10000u, 256u, 16, 4080);
    d.line(d.label("debug.label.weather_data") + " (MEM-SYS)/SIZE=SUM: " + geometry);
    d.line("stackAddr: " + s[W::stackAddr] + " hexAddr: " + s[W::hexAdd]);
    d.line("hexValue:" + s[W::hexValue]);
    for (int pos : {W::sampleCircle, W::indHumi, W::indTemp, W::outHumi, W::outTemp}) d.line(triple(pos));
    d.line("dewPoint: " + s[W::dewPoint] + ", windChill:" + s[W::windChill]);
    d.line(triple(W::absPres) + ", relPres:" + s[W::relPres]);
    d.line(triple(W::winds) + ", windsLevel:" + s[W::windsLevel]);
    d.line(triple(W::gust) + ", gustLevel:" + s[W::gustLevel]);
    d.line(triple(W::windDir) + ", windDirDesc:" + s[W::windDirDesc]);
    d.line(triple(W::condition));
    d.line(triple(W::rain) + ", rainMm:" + s[W::rainMm] + ", increment:" + s[W::increment]);
    d.line("hourRain:" + s[W::hourRain] + ", dayRain:" + s[W::dayRain] + ", weekRain:" + s[W::weekRain] +
           ", monthRain:" + s[W::monthRain] + ", totalRain:" + s[W::totalRain]);
    d.line("flag_bin: " + s[W::flag_bin] + "(bit4=1: " + d.label("debug.label.winds_error") + "; bit5=1: " +
           d.label("debug.label.gust_error") + "; bit6=1: " + d.label("debug.label.rain_error") +
           "; bit7=1: " + d.label("debug.label.rain_overflow") + ")");
    return d.out;
}

std::string noticeDump(StationNotice code, const StationPayload& payload, const LanguageTable& texts) {
    const DumpDirection direction =
        code >= settingsWritten && code <= minMaxWritten ? DumpDirection::write : DumpDirection::read;
    return std::visit(
        [&](const auto& p) -> std::string {
            using P = std::decay_t<decltype(p)>;
            if constexpr (std::is_same_v<P, StationSettings>) {
                if (code == settingsRead || code == settingsWritten) return settingsDump(p, direction, texts);
            } else if constexpr (std::is_same_v<P, AlarmThresholds>) {
                if (code == alarmsRead || code == alarmsWritten) return alarmDump(p, direction, texts);
            } else if constexpr (std::is_same_v<P, MinMaxTable>) {
                if (code == minMaxRead || code == minMaxWritten) return minMaxDump(p, direction, texts);
            } else if constexpr (std::is_same_v<P, WeatherSample>) {
                if (code == recordRead) return recordDump(p, DumpDirection::read, texts);
            } else {
                if (code == stationCommand) return p;
            }
            return {};
        },
        payload);
}

DebugLog::DebugLog(const LanguageTable& texts, std::size_t capacity) : texts_(texts), capacity_(capacity) {}

void DebugLog::setOptions(DebugOptions options) {
    read_.store(options.read);
    write_.store(options.write);
    data_.store(options.data);
}

DebugOptions DebugLog::debugOptions() const {
    return DebugOptions{read_.load(), write_.load(), data_.load()};
}

void DebugLog::notify(StationNotice code, const StationPayload& payload) {
    const DebugOptions o = debugOptions();
    const bool wanted =
        (code >= settingsRead && code <= minMaxRead && o.read) ||
        (((code >= settingsWritten && code <= minMaxWritten) || code == stationCommand) && o.write) ||
        (code == recordRead && o.data);
    if (wanted) append(noticeDump(code, payload, texts_));
}

void DebugLog::setChangeHandler(std::function<void()> handler) {
    std::lock_guard lock(handlerMutex_);
    handler_ = std::move(handler);
}

void DebugLog::changed() {
    std::lock_guard lock(handlerMutex_);
    if (handler_) handler_();
}

void DebugLog::append(std::string_view dump) {
    if (dump.empty()) return;
    {
        std::lock_guard lock(textMutex_);
        text_ += "\n\n";
        text_ += dump;
        entries_.push_back(dump.size() + 2);
        // Drop whole dumps from the front, keeping the newest even when it alone is longer than the
        // capacity.
        while (text_.size() > capacity_ && entries_.size() > 1) {
            text_.erase(text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(entries_.front()));
            entries_.pop_front();
        }
    }
    changed();
}

void DebugLog::clear() {
    {
        std::lock_guard lock(textMutex_);
        text_.clear();
        entries_.clear();
    }
    changed();
}

std::string DebugLog::text() const {
    std::lock_guard lock(textMutex_);
    return text_;
}

FormOutcome DebugLog::readSetup(StationAccess& station, Clock& clock) {
    StationSettings settings;
    AlarmThresholds alarms;
    MinMaxTable minMax;
    {
        StationBusyLock busy(station.busy());
        if (!busy.acquire(clock)) return FormOutcome::failure(texts_.text(TextRow::cannotCommunicate));
        const bool read = station.readSettingsBlock(settings, true) && station.readAlarmBlock(alarms, true) &&
                          station.readMinMaxBlock(minMax, true);
        if (!read) return FormOutcome::failure(texts_.text(TextRow::setupReadFailed));
    }
    append(settingsDump(settings, DumpDirection::read, texts_));
    append(alarmDump(alarms, DumpDirection::read, texts_));
    append(minMaxDump(minMax, DumpDirection::read, texts_));
    return FormOutcome::success();
}

FormOutcome DebugLog::readRecord(StationAccess& station, Clock& clock, int n) {
    // Past the ring's last slot the count would wrap onto the newest records again.
    if (n < 0 || n > kLastRecordNumber) return FormOutcome::failure(texts_.text(TextRow::setupReadFailed));
    WeatherSample record;
    {
        StationBusyLock busy(station.busy());
        if (!busy.acquire(clock)) return FormOutcome::failure(texts_.text(TextRow::cannotCommunicate));
        if (!station.readRecordBack(record, n, true))
            return FormOutcome::failure(texts_.text(TextRow::setupReadFailed));
    }
    append(recordDump(record, DumpDirection::read, texts_));
    return FormOutcome::success();
}

std::optional<int> DebugLog::parseRecordNumber(std::string_view text) {
    // Digits only: no sign, no point.
    const std::string_view digits = trimmed(text);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    const std::optional<long long> n = wholeInteger(digits);
    if (!n || *n > kLastRecordNumber) return std::nullopt;
    return static_cast<int>(*n);
}

std::string DebugLog::recordNumberPrompt() const {
    return texts_.text("debug.record_range", {"0", std::to_string(kLastRecordNumber)});
}

} // namespace nimbrel
