// The outputs' settings, as section `mqtt` and `upload` of Nimbrel.ini give them.
#pragma once

#include <string>

namespace nimbrel {

struct MqttSettings {
    std::string host; // empty: no MQTT
    int port = 1883;  // 8883 by default with TLS
    std::string user;
    std::string password; // never printed, logged or shown
    bool tls = false;
    std::string caFile; // empty: the system's certificates
    std::string topicPrefix = "nimbrel";
    std::string clientId;
    bool discovery = true;
    std::string discoveryPrefix = "homeassistant";

    bool enabled() const { return !host.empty(); }
};

struct UploadSettings {
    std::string url; // empty: no upload
    std::string id;
    std::string password; // never printed, logged or shown
    int intervalSeconds = 300;

    bool enabled() const { return !url.empty(); }
};

struct OutputSettings {
    MqttSettings mqtt;
    UploadSettings upload;

    bool anyEnabled() const { return mqtt.enabled() || upload.enabled(); }
};

} // namespace nimbrel
