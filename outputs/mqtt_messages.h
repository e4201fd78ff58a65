// The MQTT topics and payloads: pure functions, so the bytes on the wire are tested without a broker.
#pragma once

#include "outputs/output_reading.h"
#include "outputs/output_settings.h"
#include "outputs/record_feed.h"

#include <string>
#include <vector>

namespace nimbrel {

struct MqttMessage {
    std::string topic;
    std::string payload;
    bool retained = false;
};

inline constexpr const char* kMqttOnline = "online";
inline constexpr const char* kMqttOffline = "offline";
inline constexpr const char* kMqttOn = "ON";
inline constexpr const char* kMqttOff = "OFF";

std::string mqttAvailabilityTopic(const MqttSettings& settings);
std::string mqttStateTopic(const MqttSettings& settings);
// Whether the station answers: `ON` while it does not (or is unplugged), `OFF` while it does.
std::string mqttStationProblemTopic(const MqttSettings& settings);
// The client id with everything but letters, digits, '_' and '-' made '_': the node id of the
// discovery topics and the stem of the sensors' unique ids.
std::string mqttNodeId(const MqttSettings& settings);

// One retained configuration message per quantity, for Home Assistant to find every sensor, then one
// for the station problem and one for each alert, binary sensors of the same device.
std::vector<MqttMessage> mqttDiscoveryMessages(const MqttSettings& settings, const std::string& softwareVersion);
// The whole reading as one JSON message on the state topic (not retained), then each value on its own
// retained topic.
std::vector<MqttMessage> mqttReadingMessages(const MqttSettings& settings, const OutputReading& reading);
// An alert's binary sensor: `<prefix>/alert/<id>`, ON or OFF, retained.
std::string mqttAlertTopic(const MqttSettings& settings, const std::string& id);
MqttMessage mqttAlertMessage(const MqttSettings& settings, const std::string& id, bool on);
// A stored record on `<prefix>/record`, not retained: {"id": 1234, "time": sample time in UTC, each value
// in base units, "units": {...}}; the ID lets a consumer drop a record it got twice.
std::string mqttRecordTopic(const MqttSettings& settings);
MqttMessage mqttRecordMessage(const MqttSettings& settings, const StoredRecord& record);
// The station problem's state, retained, so Home Assistant knows it after its own restart.
MqttMessage mqttStationProblemMessage(const MqttSettings& settings, bool on);

} // namespace nimbrel
