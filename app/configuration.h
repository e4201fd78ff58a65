// Configuration: the settings of Nimbrel.ini, read once at start.
#pragma once

#include "station/flag_text.h"

#include <filesystem>
#include <string>

namespace nimbrel {

inline constexpr const char* kConfigurationFileName = "Nimbrel.ini";
inline constexpr const char* kAboutUpdateFileName = "AboutWeather.ini";

inline constexpr const char* kDefaultLanguage = "English";
inline constexpr int kDefaultUsbDeviceVid = 1811; // 0x0713
inline constexpr int kDefaultUsbDevicePid = 2072; // 0x0818
inline constexpr const char* kDefaultSearchData = "true";
inline constexpr const char* kDefaultTestFlag = "false";
inline constexpr const char* kDefaultDebugFlag = "false";
inline constexpr const char* kDefaultUsbLibrary = "libnimbrel.so";
inline constexpr const char* kSimulatedUsbLibrary = "libnimbrel-sim.so";
inline constexpr double kDefaultMargin = 3.0;
inline constexpr const char* kDefaultVersion = "Nimbrel Version 1.0";
inline constexpr const char* kDefaultCopyright = "Copyright (C) 2024 The Nimbrel developers";
// What an update file with an empty copyright line leaves in the About box.
inline constexpr const char* kOlderCopyright = "Copyright (C) The Nimbrel developers";
inline constexpr const char* kDefaultDescription = "Software Update:";
inline constexpr const char* kDefaultSoftUpdate = "https://nimbrel.example/update";

struct Configuration {
    // section "config"
    std::string language = kDefaultLanguage; // the configured name, as written
    int languageIndex = 0;                   // the language it selects (languageIndexFor)

    // section "communication"
    int usbDeviceVid = kDefaultUsbDeviceVid;
    int usbDevicePid = kDefaultUsbDevicePid;
    std::string searchData = kDefaultSearchData;
    std::string testFlag = kDefaultTestFlag;
    std::string debugFlag = kDefaultDebugFlag;
    // File name of the USB library in the program's directory; kSimulatedUsbLibrary runs the
    // program against a simulated station.
    std::string usbLibrary = kDefaultUsbLibrary;
    // Seconds every exchange keeps from the station's sensor messages and logging moments once they
    // are known (Margin, 0 to 10; anything else leaves the default).
    double margin = kDefaultMargin;

    // section "about"
    std::string version = kDefaultVersion;
    std::string copyright = kDefaultCopyright;
    std::string description = kDefaultDescription;
    std::string softupdate = kDefaultSoftUpdate;

    // The in-memory station image stands in for the station.
    bool testMode() const { return isFlagOn(testFlag); }
    // The history file carries its header line and the raw columns.
    bool debugMode() const { return isFlagOn(debugFlag); }
    // Off only for "false" in any letter case or "0": then there is no acquisition thread and the
    // connection watch stops once the station is found.
    bool searchDataOn() const;
};

// Reads Nimbrel.ini in the folder, after merging a waiting AboutWeather.ini into its section
// "about" and deleting the update file. A missing Nimbrel.ini gives every default.
Configuration loadConfiguration(const std::filesystem::path& folder);
// The same for a reader of the folder: a waiting AboutWeather.ini's texts are shown, but neither file
// is written or deleted.
Configuration readConfiguration(const std::filesystem::path& folder);

// The language of a message shown before the configuration is in use (a data folder that cannot be
// used): the one that the folder's Nimbrel.ini selects when that file can be read; with no folder
// or no readable Nimbrel.ini, the language of the user's locale. Reads only; writes nothing.
int startupLanguageIndex(const std::filesystem::path& folder);

} // namespace nimbrel
