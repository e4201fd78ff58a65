#include "outputs/output_setup.h"

#include "outputs/mqtt_publisher.h"
#include "outputs/weather_upload.h"

namespace nimbrel {

std::unique_ptr<OutputQueue> makeOutputQueue(const OutputSettings& settings, const std::string& softwareVersion,
                                             std::function<void(const std::string&)> status, Clock& clock) {
    std::vector<std::unique_ptr<Output>> outputs;
    if (settings.mqtt.enabled())
        outputs.push_back(std::make_unique<MqttPublisher>(settings.mqtt, softwareVersion, status, settings.historyFile, clock));
    if (settings.upload.enabled())
        outputs.push_back(std::make_unique<WeatherUpload>(settings.upload, uploadSoftwareType(softwareVersion), status,
                                                                  WeatherUpload::kTimeout, settings.historyFile, clock));
    if (outputs.empty()) return nullptr;
    return std::make_unique<OutputQueue>(std::move(outputs), OutputQueue::kDefaultCapacity, std::move(status));
}

std::vector<std::pair<std::string, OutputAnswer>> sendToEachOnce(const OutputSettings& settings,
                                                                 const std::string& softwareVersion,
                                                                 const OutputReading& reading) {
    using namespace std::chrono_literals;
    std::vector<std::pair<std::string, OutputAnswer>> answers;
    if (settings.mqtt.enabled())
        answers.emplace_back(MqttPublisher::kName, mqttSendOnce(settings.mqtt, softwareVersion, reading, 10s));
    if (settings.upload.enabled())
        answers.emplace_back(WeatherUpload::kName, uploadOnce(settings.upload, reading, uploadSoftwareType(softwareVersion),
                                                  WeatherUpload::kTimeout));
    return answers;
}

} // namespace nimbrel
