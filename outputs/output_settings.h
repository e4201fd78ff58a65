// The outputs' settings, as section `mqtt` and `upload` of Nimbrel.ini give them.
#pragma once

#include <string>
#include <vector>

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
    // Stored records go out on <prefix>/record from the last one the broker took, kept in this file;
    // none: no records are sent.
    std::string positionFile;
    int catchupDays = 7; // records older than this by their sample time are not sent
    // A binary sensor per alert (its id, title and device class), with discovery.
    struct AlertSensor {
        std::string id;
        std::string title;
        std::string deviceClass;
    };
    std::vector<AlertSensor> alertSensors;

    bool enabled() const { return !host.empty(); }
};

struct UploadSettings {
    std::string url; // empty: no upload
    std::string id;
    std::string password; // never printed, logged or shown
    int intervalSeconds = 300;
    // The stored records that the server never took are sent after an outage, from the last one it
    // took, kept in this file; none: no catch-up.
    std::string positionFile;
    int catchupDays = 7; // records older than this by their sample time are not sent

    bool enabled() const { return !url.empty(); }
};

struct OutputSettings {
    MqttSettings mqtt;
    UploadSettings upload;
    std::string historyFile; // where the stored records are read from for the catch-up

    bool anyEnabled() const { return mqtt.enabled() || upload.enabled(); }
};

} // namespace nimbrel
