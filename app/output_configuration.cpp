#include "app/output_configuration.h"

#include "app/alert_watch.h"
#include "app/configuration.h"
#include "app/profile_file.h"
#include "presentation/decimal_text.h"
#include "station/flag_text.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace nimbrel {
namespace {

constexpr int kMqttPort = 1883;
constexpr int kMqttTlsPort = 8883;
constexpr int kDefaultUploadInterval = 300;
constexpr int kShortestUploadInterval = 60;
constexpr std::size_t kHostNameCut = 24;
constexpr int kLongestCatchupDays = 366;
constexpr int kLongestStaleMinutes = 24 * 60;

std::string valueOf(const ProfileFile& profile, std::string_view section, std::string_view key) {
    return profile.value(section, key).value_or("");
}

std::string lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return text;
}

// A switch (switchWord); anything else keeps the default, with a warning.
bool switchOf(const ProfileFile& profile, std::string_view section, std::string_view key, bool fallback,
              std::vector<std::string>& warnings) {
    const std::string value = valueOf(profile, section, key);
    if (value.empty()) return fallback;
    if (const std::optional<bool> on = switchWord(value)) return *on;
    warnings.push_back("Nimbrel.ini: [" + std::string(section) + "] " + std::string(key) + "=" + value +
                       " is neither on nor off; " + (fallback ? "on" : "off") + " is used");
    return fallback;
}

// A whole number that an int holds; anything else is none.
std::optional<int> wholeInt(std::string_view text) {
    const std::optional<long long> n = wholeInteger(text);
    if (!n || *n < std::numeric_limits<int>::min() || *n > std::numeric_limits<int>::max()) return std::nullopt;
    return static_cast<int>(*n);
}

// A whole number from `lowest` to `highest` under `key`; anything else keeps the default, with a warning.
int boundedOf(const ProfileFile& profile, std::string_view section, std::string_view key, int fallback, int lowest,
              int highest, std::vector<std::string>& warnings) {
    const std::string text = valueOf(profile, section, key);
    if (text.empty()) return fallback;
    const std::optional<int> n = wholeInt(text);
    if (n && *n >= lowest && *n <= highest) return *n;
    warnings.push_back("Nimbrel.ini: [" + std::string(section) + "] " + std::string(key) + "=" + text +
                       " is not a whole number from " + std::to_string(lowest) + " to " + std::to_string(highest) +
                       "; " + std::to_string(fallback) + " is used");
    return fallback;
}

// FNV-1a of the folder's absolute path: short, stable across runs and builds, and enough to tell a
// machine's folders apart.
std::string folderHash(const std::filesystem::path& folder) {
    std::uint32_t hash = 2166136261u;
    for (const unsigned char c : std::filesystem::absolute(folder).lexically_normal().string()) {
        hash ^= c;
        hash *= 16777619u;
    }
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(hash));
    return hex;
}

// The kept position of one output for this data folder: "upload-<8 hex digits>.position".
std::string positionFileOf(const char* output, const std::filesystem::path& folder) {
    const std::filesystem::path state = outputStateFolder();
    if (state.empty()) return {};
    return (state / (std::string(output) + "-" + folderHash(folder) + ".position")).string();
}

bool othersMayRead(const std::filesystem::path& file) {
    struct stat st{};
    return ::stat(file.c_str(), &st) == 0 && (st.st_mode & S_IROTH) != 0;
}

// The password of a section: its `password`, else the first line of its `password_file`. Whichever
// file holds it is warned of when every user may read it.
std::string passwordOf(const ProfileFile& profile, std::string_view section, const std::filesystem::path& folder,
                       std::vector<std::string>& warnings) {
    const std::string where = "[" + std::string(section) + "]";
    std::string password = valueOf(profile, section, "password");
    std::filesystem::path holder = folder / kConfigurationFileName;
    const bool inIni = !password.empty();
    if (!inIni) {
        const std::string fileName = valueOf(profile, section, "password_file");
        if (fileName.empty()) return {};
        holder = std::filesystem::path(fileName).is_absolute() ? std::filesystem::path(fileName) : folder / fileName;
        std::ifstream in(holder);
        if (!in || !std::getline(in, password)) {
            warnings.push_back(where + " password_file " + holder.string() + " cannot be read");
            return {};
        }
        if (!password.empty() && password.back() == '\r') password.pop_back();
    }
    if (othersMayRead(holder))
        warnings.push_back(holder.string() + " holds the " + where + " password and every user may read it: chmod o-r it" +
                           (inIni ? ", or use password_file" : ""));
    return password;
}

// The start of topics: MQTT's wildcards + and # cannot be published to, so such a value is not used.
std::string topicStartOf(const ProfileFile& profile, const char* key, const std::string& fallback,
                         std::vector<std::string>& warnings) {
    const std::string value = valueOf(profile, "mqtt", key);
    if (value.empty()) return fallback;
    if (value.find_first_of("+#") == std::string::npos) return value;
    warnings.push_back("Nimbrel.ini: [mqtt] " + std::string(key) + "=" + value + " holds + or #, which no topic may; " +
                       fallback + " is used");
    return fallback;
}

MqttSettings mqttSettingsOf(const ProfileFile& profile, const std::filesystem::path& folder,
                            std::vector<std::string>& warnings) {
    MqttSettings mqtt;
    mqtt.host = valueOf(profile, "mqtt", "host");
    if (mqtt.host.empty()) return mqtt;
    mqtt.tls = switchOf(profile, "mqtt", "tls", false, warnings);
    mqtt.port = mqtt.tls ? kMqttTlsPort : kMqttPort;
    const std::string port = valueOf(profile, "mqtt", "port");
    if (!port.empty()) {
        const std::optional<int> n = wholeInt(port);
        if (n && *n >= 1 && *n <= 65535)
            mqtt.port = *n;
        else
            warnings.push_back("Nimbrel.ini: [mqtt] port=" + port + " is no port; " + std::to_string(mqtt.port) +
                               " is used");
    }
    mqtt.user = valueOf(profile, "mqtt", "user");
    mqtt.password = passwordOf(profile, "mqtt", folder, warnings);
    mqtt.caFile = valueOf(profile, "mqtt", "ca_file");
    mqtt.topicPrefix = topicStartOf(profile, "topic_prefix", mqtt.topicPrefix, warnings);
    mqtt.clientId = valueOf(profile, "mqtt", "client_id");
    if (mqtt.clientId.empty()) {
        char host[256] = {};
        if (::gethostname(host, sizeof host - 1) != 0) host[0] = '\0';
        mqtt.clientId = defaultMqttClientId(host, folder);
    }
    mqtt.discovery = switchOf(profile, "mqtt", "discovery", true, warnings);
    mqtt.discoveryPrefix = topicStartOf(profile, "discovery_prefix", mqtt.discoveryPrefix, warnings);
    mqtt.catchupDays = boundedOf(profile, "mqtt", "catchup_days", mqtt.catchupDays, 0, kLongestCatchupDays, warnings);
    mqtt.positionFile = positionFileOf("mqtt", folder);
    return mqtt;
}

UploadSettings uploadSettingsOf(const ProfileFile& profile, const std::filesystem::path& folder,
                                std::vector<std::string>& warnings) {
    UploadSettings upload;
    upload.url = valueOf(profile, "upload", "url");
    if (upload.url.empty()) return upload;
    // Only the web's own two schemes; the address itself is not repeated, as it may hold a key.
    const std::string start = lowered(upload.url.substr(0, 8));
    if (!start.starts_with("http://") && !start.starts_with("https://")) {
        warnings.push_back("Nimbrel.ini: [upload] url is neither an http:// nor an https:// address; nothing is uploaded");
        upload.url.clear();
        return upload;
    }
    upload.id = valueOf(profile, "upload", "id");
    upload.password = passwordOf(profile, "upload", folder, warnings);
    const std::string interval = valueOf(profile, "upload", "interval");
    if (!interval.empty()) {
        const std::optional<int> n = wholeInt(interval);
        if (!n)
            warnings.push_back("Nimbrel.ini: [upload] interval=" + interval + " is no number of seconds; " +
                               std::to_string(kDefaultUploadInterval) + " is used");
        else if (*n < kShortestUploadInterval) {
            warnings.push_back("Nimbrel.ini: [upload] interval=" + interval + " is below " +
                               std::to_string(kShortestUploadInterval) + " seconds; " +
                               std::to_string(kShortestUploadInterval) + " is used");
            upload.intervalSeconds = kShortestUploadInterval;
        } else
            upload.intervalSeconds = *n;
    }
    upload.catchupDays =
        boundedOf(profile, "upload", "catchup_days", upload.catchupDays, 0, kLongestCatchupDays, warnings);
    upload.positionFile = positionFileOf("upload", folder);
    return upload;
}

} // namespace

std::filesystem::path outputStateFolder() {
    if (const char* service = std::getenv("STATE_DIRECTORY"); service && service[0] == '/')
        return std::string(service).substr(0, std::string(service).find(':'));
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && xdg[0] == '/') return std::filesystem::path(xdg) / "nimbrel";
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        return std::filesystem::path(home) / ".local" / "state" / "nimbrel";
    return {};
}

std::string defaultMqttClientId(const std::string& hostName, const std::filesystem::path& folder) {
    const std::string host = hostName.empty() ? "host" : hostName.substr(0, kHostNameCut);
    return "nimbrel-" + host + "-" + folderHash(folder);
}

OutputConfiguration readOutputConfiguration(const std::filesystem::path& folder) {
    const ProfileFile profile = ProfileFile::load(folder / kConfigurationFileName);
    OutputConfiguration config;
    config.settings.mqtt = mqttSettingsOf(profile, folder, config.warnings);
    config.settings.upload = uploadSettingsOf(profile, folder, config.warnings);
    config.settings.historyFile = (folder / "Nimbrel.dat").string();
    for (const AlertKind& kind : alertKinds())
        config.settings.mqtt.alertSensors.push_back({kind.id, kind.title, kind.deviceClass});
    const std::string notify = valueOf(profile, "alerts", "notify");
    if (!notify.empty()) config.alerts.notify = switchOf(profile, "alerts", "notify", false, config.warnings);
    config.alerts.command = valueOf(profile, "alerts", "command");
    config.alerts.staleMinutes = boundedOf(profile, "alerts", "stale_minutes", config.alerts.staleMinutes, 1,
                                           kLongestStaleMinutes, config.warnings);
    return config;
}

} // namespace nimbrel
