// nimbrel-cli decode-record / decode-settings / decode-alarms / decode-minmax: decode bytes given in hex.
#include "station/history_record.h"
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/hex_input.h"
#include "tools/nimbrel-cli/station_print.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <span>

namespace nimbrel::cli {

namespace {

using HexWords = std::vector<std::string>;

// One decode command: HEX, exactly N bytes, handed to `decode`.
template <std::size_t N, typename Decode>
void addDecodeCommand(CLI::App& app, const std::string& name, const std::string& description, Decode decode) {
    auto words = std::make_shared<HexWords>();
    CLI::App& command = *app.add_subcommand(name, description);
    command.add_option("HEX", *words, "the " + std::to_string(N) + " bytes in hex digits, blanks optional")
        ->required();
    setRun(command, [name, words, decode] {
        std::string error;
        auto bytes = parseHexBytes(*words, N, error);
        if (!bytes) return fail(kExitBadInput, name, error);
        decode(std::span<const std::uint8_t, N>(bytes->data(), N));
        return kExitOk;
    });
}

} // namespace

void addDecodeCommands(CLI::App& app) {
    addDecodeCommand<kRecordSize>(app, "decode-record", "decode a 16-byte history record", [](auto bytes) {
        WeatherSample sample;
        const bool valid = decodeRecord(bytes, sample);
        printRecord(std::cout, sample);
        std::cout << "valid: " << (valid ? "true" : "false") << '\n';
    });
    addDecodeCommand<kSettingsLength>(app, "decode-settings", "decode the 32-byte settings area (0x00-0x1F)",
                                      [](auto bytes) {
                                          StationSettings settings;
                                          decodeSettings(bytes, settings);
                                          printSettings(std::cout, settings);
                                      });
    addDecodeCommand<kAlarmLength>(app, "decode-alarms", "decode the 64-byte alarm area (0x20-0x5F)",
                                   [](auto bytes) {
                                       AlarmThresholds alarms;
                                       decodeAlarms(bytes, alarms);
                                       printAlarms(std::cout, alarms);
                                   });
    addDecodeCommand<kMinMaxLength>(app, "decode-minmax", "decode the 160-byte min/max area (0x60-0xFF)",
                                    [](auto bytes) {
                                        MinMaxTable table;
                                        decodeMinMax(bytes, table);
                                        printMinMax(std::cout, table);
                                    });
}

} // namespace nimbrel::cli
