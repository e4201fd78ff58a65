// Configuration: the settings of Nimbrel.ini, read once at start.
#pragma once

#include "station/flag_text.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

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

// The words of Nimbrel.ini's switches, in any letter case and with blanks around: "on", "yes" and the
// program's flag words that are on ("true", "1") switch on; "off", "no", "false" and "0" switch off; any
// other word says neither.
std::optional<bool> switchWord(std::string_view text);

// What `[ui] tray` asks for: nothing (an icon; closing the window ends the program), a switch that is off
// (no icon) or on (an icon, and closing the window leaves the program logging in the tray).
enum class TrayUse { icon, off, keepRunning };

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

    // section "ui"
    std::string tray;

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
    TrayUse trayUse() const;
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
