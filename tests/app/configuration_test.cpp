#include "app/configuration.h"
#include "app/language_table.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace nimbrel {
namespace {

Configuration loadWith(const std::string& ini) {
    testing::TempDir dir;
    dir.write(kConfigurationFileName, ini);
    return loadConfiguration(dir.path());
}

TEST(AppConfiguration, MissingFileGivesEveryDefault) {
    testing::TempDir dir;
    const Configuration config = loadConfiguration(dir.path());
    EXPECT_EQ(config.language, "English");
    EXPECT_EQ(config.languageIndex, english);
    EXPECT_EQ(config.usbDeviceVid, 0x0713);
    EXPECT_EQ(config.usbDevicePid, 0x0818);
    EXPECT_TRUE(config.searchDataOn());
    EXPECT_FALSE(config.testMode());
    EXPECT_FALSE(config.debugMode());
    EXPECT_EQ(config.usbLibrary, "libnimbrel.so");
    EXPECT_EQ(config.version, "Nimbrel Version 1.0");
    EXPECT_EQ(config.description, "Software Update:");
    EXPECT_FALSE(config.copyright.empty());
    EXPECT_FALSE(config.softupdate.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / kConfigurationFileName)); // nothing is written
}

TEST(AppConfiguration, EmptyValuesFollowTheirKeysRule) {
    const Configuration config =
        loadWith("[config]\r\nlanguage=\r\n[communication]\r\nSearchData=\r\n"
                 "TestFlag=\r\nDebugFlag=\r\nUsbDeviceVid=\r\nUsbLibrary=\r\n"
                 "[about]\r\nversion=\r\ncopyright=\r\ndescription=\r\nsoftupdate=\r\n");
    EXPECT_EQ(config.language, "English");
    EXPECT_EQ(config.languageIndex, english);
    EXPECT_EQ(config.searchData, "true");
    EXPECT_EQ(config.testFlag, "false");
    EXPECT_EQ(config.debugFlag, "false");
    EXPECT_EQ(config.usbDeviceVid, 1811);
    EXPECT_EQ(config.usbLibrary, "libnimbrel.so");
    EXPECT_EQ(config.version, "Nimbrel Version 1.0");
    EXPECT_EQ(config.copyright, kDefaultCopyright);
    EXPECT_EQ(config.description, "");
    EXPECT_EQ(config.softupdate, "");
}

TEST(AppConfiguration, ValuesInAnyCaseAndWithBlanks) {
    const Configuration config = loadWith("[CONFIG]\nLANGUAGE = germany \n"
                                          "[Communication]\nusbdevicevid = 1811\nUSBDEVICEPID=2073\n"
                                          "testflag = TRUE\ndebugflag=1\nsearchdata = FALSE\n"
                                          "usblibrary = libnimbrel-sim.so \n"
                                          "[About]\nVERSION = Nimbrel Version 2.0 \n");
    EXPECT_EQ(config.language, "germany");
    EXPECT_EQ(config.languageIndex, german);
    EXPECT_EQ(config.usbDeviceVid, 0x0713);
    EXPECT_EQ(config.usbDevicePid, 2073);
    EXPECT_TRUE(config.testMode());
    EXPECT_TRUE(config.debugMode());
    EXPECT_FALSE(config.searchDataOn());
    EXPECT_EQ(config.usbLibrary, "libnimbrel-sim.so");
    EXPECT_EQ(config.version, "Nimbrel Version 2.0");

    EXPECT_EQ(loadWith("[config]\nlanguage=Deutsch\n").languageIndex, german);
    EXPECT_EQ(loadWith("[config]\nlanguage=Français\n").languageIndex, french);
    EXPECT_EQ(loadWith("[config]\nlanguage=Italian\n").languageIndex, english);
    // The name is read into a 20-character buffer.
    EXPECT_EQ(loadWith("[config]\nlanguage=Danish-with-a-very-long-name\n").language, "Danish-with-a-very-");
    // A flag into a 10-character one.
    EXPECT_EQ(loadWith("[communication]\nTestFlag=true-and-more\n").testFlag, "true-and-");
}

TEST(AppConfiguration, FlagRules) {
    EXPECT_TRUE(isFlagOn("true"));
    EXPECT_TRUE(isFlagOn("TrUe"));
    EXPECT_TRUE(isFlagOn("1"));
    EXPECT_FALSE(isFlagOn("yes"));
    EXPECT_FALSE(isFlagOn("01"));
    EXPECT_FALSE(isFlagOn("true1"));

    Configuration config;
    for (const char* off : {"false", "FALSE", "False", "0"}) {
        config.searchData = off;
        EXPECT_FALSE(config.searchDataOn()) << off;
    }
    for (const char* on : {"no", "true", "00", "off", "xalse"}) { // every letter counts, the first too
        config.searchData = on;
        EXPECT_TRUE(config.searchDataOn()) << on;
    }
    EXPECT_TRUE(loadWith("[communication]\nSearchData=no\n").searchDataOn());

    // The switches of Nimbrel.ini, the tray's among them.
    for (const auto& [setting, use] : {std::pair{"off", TrayUse::off}, {"0", TrayUse::off}, {"No", TrayUse::off},
                                       {" On", TrayUse::keepRunning}, {"true", TrayUse::keepRunning},
                                       {"yes", TrayUse::keepRunning}, {"", TrayUse::icon}, {"maybe", TrayUse::icon}})
        EXPECT_EQ(loadWith(std::string("[ui]\ntray=") + setting + "\n").trayUse(), use) << setting;
}

TEST(AppConfiguration, UnusableIdsAndLibraryNamesFallBack) {
    const Configuration hex = loadWith("[communication]\nUsbDeviceVid=0x0713\nUsbDevicePid=0X818\n");
    EXPECT_EQ(hex.usbDeviceVid, 1811);
    EXPECT_EQ(hex.usbDevicePid, 2072);
    for (const char* bad : {"abc", "18x", "-1", "70000", "0x"}) {
        EXPECT_EQ(loadWith(std::string("[communication]\nUsbDeviceVid=") + bad + "\n").usbDeviceVid, 1811)
            << bad;
    }
    EXPECT_EQ(loadWith("[communication]\nUsbDeviceVid=4660\n").usbDeviceVid, 0x1234);
    for (const char* bad : {"/tmp/evil.so", "../libnimbrel.so", "sub/lib.so", ".."}) {
        EXPECT_EQ(loadWith(std::string("[communication]\nUsbLibrary=") + bad + "\n").usbLibrary,
                  "libnimbrel.so")
            << bad;
    }
}

TEST(AppConfiguration, UpdateFileIsMergedOnceAndDeleted) {
    testing::TempDir dir;
    dir.write(kConfigurationFileName,
              "[config]\r\nlanguage=Dutch\r\n[about]\r\nversion=Old\r\ncopyright=Old C\r\n");
    dir.write(kAboutUpdateFileName, "[about]\r\nversion=Nimbrel Version 1.5\r\n");
    const Configuration first = loadConfiguration(dir.path());
    EXPECT_EQ(first.version, "Nimbrel Version 1.5");
    EXPECT_EQ(first.copyright, kDefaultCopyright);
    EXPECT_EQ(first.description, "Software Update:");
    EXPECT_EQ(first.softupdate, kDefaultSoftUpdate);
    EXPECT_EQ(first.languageIndex, dutch);
    EXPECT_FALSE(std::filesystem::exists(dir / kAboutUpdateFileName));
    EXPECT_EQ(dir.read(kConfigurationFileName),
              std::string("[config]\r\nlanguage=Dutch\r\n[about]\r\nversion=Nimbrel Version 1.5\r\n"
                          "copyright=") +
                  kDefaultCopyright +
                  "\r\ndescription=Software Update:\r\n"
                  "softupdate=" +
                  kDefaultSoftUpdate + "\r\n");

    // The merged values live on in Nimbrel.ini.
    const Configuration second = loadConfiguration(dir.path());
    EXPECT_EQ(second.version, "Nimbrel Version 1.5");
    EXPECT_EQ(second.copyright, kDefaultCopyright);
}

TEST(AppConfiguration, UpdateFileEmptyValuesAndNoConfigurationFile) {
    testing::TempDir dir;
    dir.write(kAboutUpdateFileName,
              "[about]\nversion=\ncopyright=\ndescription=\n"
              "softupdate=https://example.org/a-very-long-address/that-goes-past-fifty\n");
    const Configuration config = loadConfiguration(dir.path());
    EXPECT_EQ(config.version, "Nimbrel Version 1.0");
    EXPECT_EQ(config.copyright, kOlderCopyright);
    EXPECT_EQ(config.description, "");
    EXPECT_EQ(config.softupdate, "https://example.org/a-very-long-address/that-goes");
    EXPECT_FALSE(std::filesystem::exists(dir / kAboutUpdateFileName));
    const Configuration again = loadConfiguration(dir.path());
    EXPECT_EQ(again.copyright, kOlderCopyright);
    EXPECT_EQ(again.description, "");
    EXPECT_EQ(again.softupdate, config.softupdate);
}

} // namespace
} // namespace nimbrel
