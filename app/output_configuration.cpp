#include "app/output_configuration.h"

#include "app/configuration.h"
#include "app/profile_file.h"
#include "presentation/decimal_text.h"
#include "station/flag_text.h"

#include <cstdint>
#include <cstdio>
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

std::string valueOf(const ProfileFile& profile, std::string_view section, std::string_view key) {
    return profile.value(section, key).value_or("");
}

std::string lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return text;
}

// "on" and the program's usual flag words ("true", "1") switch on; "off", "false" and "0" off; anything
// else keeps the default, with a warning.
bool switchOf(const ProfileFile& profile, std::string_view section, std::string_view key, bool fallback,
              std::vector<std::string>& warnings) {
    const std::string value = lowered(valueOf(profile, section, key));
    if (value.empty()) return fallback;
    if (value == "on" || value == "yes" || isFlagOn(value)) return true;
    if (value == "off" || value == "no" || value == "false" || value == "0") return false;
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
    return upload;
}

} // namespace

std::string defaultMqttClientId(const std::string& hostName, const std::filesystem::path& folder) {
    // FNV-1a: short, stable across runs and builds, and enough to tell a machine's folders apart.
    std::uint32_t hash = 2166136261u;
    for (const unsigned char c : std::filesystem::absolute(folder).lexically_normal().string()) {
        hash ^= c;
        hash *= 16777619u;
    }
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(hash));
    const std::string host = hostName.empty() ? "host" : hostName.substr(0, kHostNameCut);
    return "nimbrel-" + host + "-" + hex;
}

OutputConfiguration readOutputConfiguration(const std::filesystem::path& folder) {
    const ProfileFile profile = ProfileFile::load(folder / kConfigurationFileName);
    OutputConfiguration config;
    config.settings.mqtt = mqttSettingsOf(profile, folder, config.warnings);
    config.settings.upload = uploadSettingsOf(profile, folder, config.warnings);
    return config;
}

} // namespace nimbrel
