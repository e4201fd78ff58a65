// nimbrel-cli decode-record / decode-settings / decode-alarms / decode-minmax: decode bytes given in hex.
#include "station/history_record.h"
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/hex_input.h"
#include "tools/nimbrel-cli/station_print.h"

#include <iostream>
#include <span>

namespace nimbrel::cli {

namespace {

template <std::size_t N, typename Decode>
int decodeArea(const Arguments& args, const char* what, Decode decode) {
    std::string error;
    auto bytes = parseHexBytes(args, N, error);
    if (!bytes) return fail(kExitBadInput, std::string(what) + ": " + error);
    decode(std::span<const std::uint8_t, N>(bytes->data(), N));
    return kExitOk;
}

} // namespace

int runDecodeRecord(const Arguments& args) {
    return decodeArea<kRecordSize>(args, "decode-record", [](auto bytes) {
        WeatherSample sample;
        const bool valid = decodeRecord(bytes, sample);
        printRecord(std::cout, sample);
        std::cout << "valid: " << (valid ? "true" : "false") << '\n';
    });
}

int runDecodeSettings(const Arguments& args) {
    return decodeArea<kSettingsLength>(args, "decode-settings", [](auto bytes) {
        StationSettings settings;
        decodeSettings(bytes, settings);
        printSettings(std::cout, settings);
    });
}

int runDecodeAlarms(const Arguments& args) {
    return decodeArea<kAlarmLength>(args, "decode-alarms", [](auto bytes) {
        AlarmThresholds alarms;
        decodeAlarms(bytes, alarms);
        printAlarms(std::cout, alarms);
    });
}

int runDecodeMinMax(const Arguments& args) {
    return decodeArea<kMinMaxLength>(args, "decode-minmax", [](auto bytes) {
        MinMaxTable table;
        decodeMinMax(bytes, table);
        printMinMax(std::cout, table);
    });
}

} // namespace nimbrel::cli
