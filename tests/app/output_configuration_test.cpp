// Sections mqtt and upload of Nimbrel.ini: defaults, the TLS port, limits, and passwords kept secret.
#include "app/output_configuration.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace nimbrel {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

std::string allWarnings(const OutputConfiguration& config) {
    std::string text;
    for (const std::string& w : config.warnings) text += w + "\n";
    return text;
}

TEST(OutputConfiguration, OffWithoutHostOrUrlAndDefaultsOtherwise) {
    TempDir dir;
    dir.write("Nimbrel.ini", "[config]\r\nlanguage=English\r\n");
    EXPECT_FALSE(readOutputConfiguration(dir.path()).settings.anyEnabled());

    dir.write("Nimbrel.ini", "[mqtt]\nhost=broker.lan\n[upload]\nurl=https://wx.example/update\n");
    const OutputConfiguration config = readOutputConfiguration(dir.path());
    const MqttSettings& mqtt = config.settings.mqtt;
    EXPECT_EQ(mqtt.host, "broker.lan");
    EXPECT_EQ(mqtt.port, 1883);
    EXPECT_FALSE(mqtt.tls);
    EXPECT_EQ(mqtt.topicPrefix, "nimbrel");
    EXPECT_TRUE(mqtt.discovery);
    EXPECT_EQ(mqtt.discoveryPrefix, "homeassistant");
    EXPECT_EQ(mqtt.clientId.rfind("nimbrel-", 0), 0u) << mqtt.clientId;
    EXPECT_EQ(config.settings.upload.intervalSeconds, 300);
    EXPECT_TRUE(config.warnings.empty()) << allWarnings(config);

    dir.write("Nimbrel.ini", "[mqtt]\nhost=broker.lan\ntls=on\ndiscovery=off\nclient_id=wx1\n"
                             "[upload]\nurl=http://wx.example/\ninterval=30\n");
    const OutputConfiguration tls = readOutputConfiguration(dir.path());
    EXPECT_EQ(tls.settings.mqtt.port, 8883);
    EXPECT_FALSE(tls.settings.mqtt.discovery);
    EXPECT_EQ(tls.settings.mqtt.clientId, "wx1");
    EXPECT_EQ(tls.settings.upload.intervalSeconds, 60);

    // Only web addresses are uploaded to (HTTPS in capitals too); the warning does not repeat the address.
    dir.write("Nimbrel.ini", "[upload]\nurl=HTTPS://wx.example/u\n");
    EXPECT_TRUE(readOutputConfiguration(dir.path()).settings.upload.enabled());
    dir.write("Nimbrel.ini", "[upload]\nurl=file:///etc/passwd?key=k3y\n");
    const OutputConfiguration file = readOutputConfiguration(dir.path());
    EXPECT_FALSE(file.settings.upload.enabled());
    EXPECT_EQ(allWarnings(file),
              "Nimbrel.ini: [upload] url is neither an http:// nor an https:// address; nothing is uploaded\n");
}

TEST(OutputConfiguration, TopicStartsWithAWildcardAreNotUsed) {
    TempDir dir;
    dir.write("Nimbrel.ini", "[mqtt]\nhost=b\ntopic_prefix=wx/#\ndiscovery_prefix=ha+\n");
    const OutputConfiguration config = readOutputConfiguration(dir.path());
    EXPECT_EQ(config.settings.mqtt.topicPrefix, "nimbrel");
    EXPECT_EQ(config.settings.mqtt.discoveryPrefix, "homeassistant");
    EXPECT_EQ(allWarnings(config),
              "Nimbrel.ini: [mqtt] topic_prefix=wx/# holds + or #, which no topic may; nimbrel is used\n"
              "Nimbrel.ini: [mqtt] discovery_prefix=ha+ holds + or #, which no topic may; homeassistant is used\n");
}

TEST(OutputConfiguration, DefaultClientIdNamesHostAndFolder) {
    // FNV-1a of "/var/lib/nimbrel", worked out by hand.
    EXPECT_EQ(defaultMqttClientId("wxpc", "/var/lib/nimbrel"), "nimbrel-wxpc-dd1adda5");
    EXPECT_NE(defaultMqttClientId("wxpc", "/var/lib/nimbrel"), defaultMqttClientId("wxpc", "/home/ann/wx"));
}

TEST(OutputConfiguration, PasswordFileIsReadAndAWorldReadableOneIsWarnedOfWithoutItsText) {
    TempDir dir;
    dir.write("Nimbrel.ini", "[mqtt]\nhost=broker.lan\nuser=wx\npassword_file=mqtt.secret\n");
    dir.write("mqtt.secret", "s3cr3t-Pw\n");
    fs::permissions(dir / "mqtt.secret", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    OutputConfiguration config = readOutputConfiguration(dir.path());
    EXPECT_EQ(config.settings.mqtt.password, "s3cr3t-Pw");
    EXPECT_TRUE(config.warnings.empty()) << allWarnings(config);

    fs::permissions(dir / "mqtt.secret", fs::perms::others_read, fs::perm_options::add);
    config = readOutputConfiguration(dir.path());
    ASSERT_EQ(config.warnings.size(), 1u);
    EXPECT_NE(config.warnings[0].find("mqtt.secret"), std::string::npos);
    EXPECT_EQ(config.warnings[0].find("s3cr3t"), std::string::npos);
}

// Section alerts, the catch-up's days and where the outputs keep their positions.
TEST(OutputConfiguration, AlertsCatchUpDaysAndThePositionFilesOfTheFolder) {
    TempDir dir;
    dir.write("Nimbrel.ini", "[upload]\nurl=https://wx.example/u\ncatchup_days=366\n[mqtt]\nhost=b\ncatchup_days=367\n"
                             "[alerts]\nnotify=off\ncommand=/usr/local/bin/wx-alert\nstale_minutes=0\n");
    const char* service = std::getenv("STATE_DIRECTORY");
    const std::string saved = service ? service : "";
    unsetenv("STATE_DIRECTORY");
    setenv("XDG_STATE_HOME", (dir.path() / "state").c_str(), 1);
    OutputConfiguration config = readOutputConfiguration(dir.path());
    EXPECT_EQ(config.settings.upload.catchupDays, 366);
    EXPECT_EQ(config.settings.mqtt.catchupDays, 7);
    EXPECT_EQ(config.alerts.notify, false);
    EXPECT_EQ(config.alerts.command, "/usr/local/bin/wx-alert");
    EXPECT_EQ(config.alerts.staleMinutes, 10);
    EXPECT_EQ(allWarnings(config),
              "Nimbrel.ini: [mqtt] catchup_days=367 is not a whole number from 0 to 366; 7 is used\n"
              "Nimbrel.ini: [alerts] stale_minutes=0 is not a whole number from 1 to 1440; 10 is used\n");
    // One file per output and folder, named by the folder as the broker's client id is.
    const std::string hash = config.settings.mqtt.clientId.substr(config.settings.mqtt.clientId.size() - 8);
    EXPECT_EQ(config.settings.upload.positionFile, (dir.path() / "state" / "nimbrel" / ("upload-" + hash + ".position")).string());
    EXPECT_EQ(config.settings.mqtt.positionFile, (dir.path() / "state" / "nimbrel" / ("mqtt-" + hash + ".position")).string());
    EXPECT_EQ(config.settings.mqtt.alertSensors.size(), 25u);

    // The logger's service has a state folder of its own; without a setting the window notifies.
    setenv("STATE_DIRECTORY", "/var/lib/nimbrel", 1);
    dir.write("Nimbrel.ini", "[upload]\nurl=https://wx.example/u\n[alerts]\nstale_minutes=1440\n");
    config = readOutputConfiguration(dir.path());
    EXPECT_EQ(config.settings.upload.positionFile, "/var/lib/nimbrel/upload-" + hash + ".position");
    EXPECT_EQ(config.alerts.notify, std::nullopt);
    EXPECT_EQ(config.alerts.staleMinutes, 1440);
    if (saved.empty()) unsetenv("STATE_DIRECTORY"); else setenv("STATE_DIRECTORY", saved.c_str(), 1);
    unsetenv("XDG_STATE_HOME");
}

} // namespace
} // namespace nimbrel
