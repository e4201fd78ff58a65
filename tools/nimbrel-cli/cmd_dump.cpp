// nimbrel-cli dump [--dir DIR]: opens the station as the program does and prints what it holds.
#include "app/configuration.h"
#include "app/data_folder.h"
#include "station/clock.h"
#include "station/history_record.h"
#include "station/station_access.h"
#include "tools/nimbrel-cli/commands.h"
#include "tools/nimbrel-cli/station_print.h"

#include <cstdio>
#include <iostream>
#include <optional>

namespace nimbrel::cli {

namespace {

constexpr int kRecordsShown = 5;

std::string usbIds(const Configuration& config) {
    char text[32];
    std::snprintf(text, sizeof text, "%04X:%04X", config.usbDeviceVid & 0xFFFF, config.usbDevicePid & 0xFFFF);
    return text;
}

} // namespace

int runDump(const Arguments& args) {
    std::optional<std::filesystem::path> dir;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--dir" && i + 1 < args.size())
            dir = args[++i];
        else if (args[i].rfind("--dir=", 0) == 0 && args[i].size() > 6)
            dir = args[i].substr(6);
        else if (args[i] == "--dir")
            return fail(kExitBadInput, "dump: --dir needs a folder");
        else
            return fail(kExitBadInput, "dump: unexpected argument \"" + args[i] + "\"");
    }

    std::filesystem::path folder;
    try {
        folder = chooseDataFolder(programDirectory(), dir);
    } catch (const DataFolderError& e) {
        return fail(kExitBadInput, std::string("dump: ") + e.what());
    }
    const Configuration config = loadConfiguration(folder);

    std::unique_ptr<UsbLibrary> library;
    std::string source;
    if (config.testMode()) {
        source = "test image (TestFlag of " + (folder / kConfigurationFileName).string() + ")";
    } else {
        const std::filesystem::path libraryPath = programDirectory() / config.usbLibrary;
        library = loadUsbLibrary(libraryPath.string());
        if (!library->loadError().empty())
            return fail(kExitUnreachable, "no station can be reached: " + library->loadError());
        source = "USB " + usbIds(config) + " through " + libraryPath.string();
    }

    StationAccess access(std::move(library), systemClock(), config.testMode(),
                         StationIds{config.usbDeviceVid, config.usbDevicePid});
    if (!access.pollConnection())
        return fail(kExitUnreachable, "no station found (USB " + usbIds(config) + ")");

    StationSettings settings;
    AlarmThresholds alarms;
    MinMaxTable minmax;
    unsigned stackAddress = 0;
    int count = 0;
    if (!access.readSettingsBlock(settings) || !access.readAlarmBlock(alarms) ||
        !access.readMinMaxBlock(minmax) || !access.readPointers(stackAddress, count))
        return fail(kExitUnreachable, "the station does not answer");

    std::cout << "station: " << source << '\n';
    std::cout << "[settings 0x00-0x1F]\n";
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
            return fail(kExitUnreachable, "the station does not answer");
        char at[16];
        std::snprintf(at, sizeof at, "0x%04X", address);
        std::cout << "[record " << n << (n == 0 ? " (newest)" : "") << " at " << at << "]\n";
        printRecord(std::cout, sample);
    }
    return kExitOk;
}

} // namespace nimbrel::cli
