// nimbrel-cli dump [--dir DIR]: opens the station as the program does and prints what it holds.
#include "app/configuration.h"
#include "app/data_folder.h"
#include "station/clock.h"
#include "station/history_record.h"
#include "station/station_access.h"
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/folder_session.h"
#include "tools/nimbrel-cli/station_print.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>

namespace nimbrel::cli {

namespace {

constexpr const char* kName = "dump";
constexpr int kRecordsShown = 5;

std::string usbIds(const Configuration& config) {
    char text[32];
    std::snprintf(text, sizeof text, "%04X:%04X", config.usbDeviceVid & 0xFFFF, config.usbDevicePid & 0xFFFF);
    return text;
}

int runDump(const FolderOption& dir) {
    std::unique_ptr<AcquisitionSession> session;
    if (const int status = openSession(kName, dir, FolderUse::beside, session); status != kExitOk)
        return status;
    const Configuration& config = session->config();
    const std::string source =
        config.testMode()
            ? "test image (TestFlag of " + (session->folder() / kConfigurationFileName).string() + ")"
            : "USB " + usbIds(config) + " through " + usbLibraryPath(config.usbLibrary).string();

    StationAccess& access = session->station();
    if (!access.pollConnection())
        return fail(kExitUnreachable, kName, noStationText(access, config, StationSearch::givenUp));

    StationSettings settings;
    AlarmThresholds alarms;
    MinMaxTable minmax;
    unsigned stackAddress = 0;
    int count = 0;
    if (!access.readSettingsBlock(settings) || !access.readAlarmBlock(alarms) ||
        !access.readMinMaxBlock(minmax) || !access.readPointers(stackAddress, count))
        return fail(kExitUnreachable, kName, "the station does not answer");

    // The area's bytes as one line too, for the commands that take --settings.
    std::uint8_t area[kSettingsLength] = {};
    if (!access.readBytes(0, area, static_cast<int>(kSettingsLength)))
        return fail(kExitUnreachable, kName, "the station does not answer");

    std::cout << "station: " << source << '\n';
    std::cout << "[settings 0x00-0x1F]\n";
    std::cout << "settingsHex: ";
    for (std::uint8_t byte : area) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", byte);
        std::cout << digits;
    }
    std::cout << '\n';
    printSettings(std::cout, settings);
    std::cout << "[alarms 0x20-0x5F]\n";
    printAlarms(std::cout, alarms);
    std::cout << "[minmax 0x60-0xFF]\n";
    printMinMax(std::cout, minmax);

    if (!isRecordAddress(stackAddress)) {
        std::cout << "[history] no records: historyStackAddr is not a record address\n";
        return kExitOk;
    }
    // The newest record is the current one; historyRecords completed ones precede it.
    const int shown = std::min(kRecordsShown, count + 1);
    for (int n = 0; n < shown; ++n) {
        const unsigned address = recordAddressBack(stackAddress, n);
        WeatherSample sample;
        if (!access.readRecordAt(address, sample))
            return fail(kExitUnreachable, kName, "the station does not answer");
        char at[16];
        std::snprintf(at, sizeof at, "0x%04X", address);
        std::cout << "[record " << n << (n == 0 ? " (newest)" : "") << " at " << at << "]\n";
        printRecord(std::cout, sample);
    }
    return kExitOk;
}

} // namespace

void addDumpCommand(CLI::App& app) {
    auto dir = std::make_shared<FolderOption>();
    CLI::App& command =
        *app.add_subcommand(kName, "read the station and print its areas and newest five records");
    addDirOption(command, *dir);
    addBurstRiskNote(command);
    setRun(command, [dir] { return runDump(*dir); });
}

} // namespace nimbrel::cli
