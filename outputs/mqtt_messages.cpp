#include "outputs/mqtt_messages.h"

#include <nlohmann/json.hpp>

#include <charconv>

namespace nimbrel {
namespace {

using Json = nlohmann::ordered_json;

// A text of Nimbrel.ini that is no UTF-8 (a topic prefix in Latin-1) gets U+FFFD where it breaks,
// rather than an exception.
std::string jsonText(const Json& json) {
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json valueJson(const OutputValue& value) {
    if (value.integral) return static_cast<long long>(value.value);
    return value.value;
}

// The time in UTC, each value, and the units of the values.
Json readingJson(Json json, const OutputReading& reading) {
    json["time"] = utcText(reading.time, "%Y-%m-%dT%H:%M:%SZ");
    Json units = Json::object();
    for (const OutputValue& value : reading.values) {
        json[value.name] = valueJson(value);
        if (const OutputQuantity* q = outputQuantity(value.name)) units[value.name] = q->unit;
    }
    json["units"] = units;
    return json;
}

} // namespace

std::string mqttAvailabilityTopic(const MqttSettings& settings) {
    return settings.topicPrefix + "/availability";
}

std::string mqttStateTopic(const MqttSettings& settings) {
    return settings.topicPrefix + "/state";
}

std::string mqttStationProblemTopic(const MqttSettings& settings) {
    return settings.topicPrefix + "/station_problem";
}

std::string mqttNodeId(const MqttSettings& settings) {
    std::string id = settings.clientId;
    for (char& c : id) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                          c == '-';
        if (!kept) c = '_';
    }
    return id;
}

std::vector<MqttMessage> mqttDiscoveryMessages(const MqttSettings& settings, const std::string& softwareVersion) {
    const std::string node = mqttNodeId(settings);
    Json device = {{"identifiers", Json::array({node})},
                   {"name", "Nimbrel weather station"},
                   {"manufacturer", "Nimbrel"},
                   {"model", "USB weather station"},
                   {"sw_version", softwareVersion}};
    std::vector<MqttMessage> messages;
    for (const OutputQuantity& q : outputQuantities()) {
        Json config;
        config["name"] = q.title;
        config["unique_id"] = node + "_" + q.name;
        config["state_topic"] = mqttStateTopic(settings);
        config["value_template"] = std::string("{{ value_json.") + q.name + " }}";
        if (*q.deviceClass) config["device_class"] = q.deviceClass;
        config["unit_of_measurement"] = q.unit;
        config["state_class"] = q.stateClass;
        config["availability_topic"] = mqttAvailabilityTopic(settings);
        config["device"] = device;
        messages.push_back({settings.discoveryPrefix + "/sensor/" + node + "/" + q.name + "/config", jsonText(config),
                            true});
    }
    // Home Assistant lists it among the device's diagnostics, not with the weather.
    Json problem;
    problem["name"] = "Station problem";
    problem["unique_id"] = node + "_station_problem";
    problem["state_topic"] = mqttStationProblemTopic(settings);
    problem["device_class"] = "problem";
    problem["entity_category"] = "diagnostic";
    problem["availability_topic"] = mqttAvailabilityTopic(settings);
    problem["device"] = device;
    messages.push_back({settings.discoveryPrefix + "/binary_sensor/" + node + "/station_problem/config",
                        jsonText(problem), true});
    for (const MqttSettings::AlertSensor& sensor : settings.alertSensors) {
        Json alert;
        alert["name"] = sensor.title;
        alert["unique_id"] = node + "_alert_" + sensor.id;
        alert["state_topic"] = mqttAlertTopic(settings, sensor.id);
        alert["device_class"] = sensor.deviceClass;
        alert["availability_topic"] = mqttAvailabilityTopic(settings);
        alert["device"] = device;
        messages.push_back({settings.discoveryPrefix + "/binary_sensor/" + node + "/alert_" + sensor.id + "/config",
                            jsonText(alert), true});
    }
    return messages;
}

std::vector<MqttMessage> mqttReadingMessages(const MqttSettings& settings, const OutputReading& reading) {
    std::vector<MqttMessage> messages;
    messages.push_back({mqttStateTopic(settings), jsonText(readingJson(Json::object(), reading)), false});
    for (const OutputValue& value : reading.values)
        messages.push_back({settings.topicPrefix + "/" + value.name, jsonText(valueJson(value)), true});
    return messages;
}

std::string mqttAlertTopic(const MqttSettings& settings, const std::string& id) {
    return settings.topicPrefix + "/alert/" + id;
}

MqttMessage mqttAlertMessage(const MqttSettings& settings, const std::string& id, bool on) {
    return {mqttAlertTopic(settings, id), on ? kMqttOn : kMqttOff, true};
}

std::string mqttRecordTopic(const MqttSettings& settings) {
    return settings.topicPrefix + "/record";
}

MqttMessage mqttRecordMessage(const MqttSettings& settings, const StoredRecord& record) {
    Json json;
    long long number = 0;
    const std::string& id = record.id;
    const auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), number);
    if (error == std::errc{} && end == id.data() + id.size() && !id.empty())
        json["id"] = number;
    else
        json["id"] = id;
    return {mqttRecordTopic(settings), jsonText(readingJson(std::move(json), record.reading)), false};
}

MqttMessage mqttStationProblemMessage(const MqttSettings& settings, bool on) {
    return {mqttStationProblemTopic(settings), on ? kMqttOn : kMqttOff, true};
}

} // namespace nimbrel
