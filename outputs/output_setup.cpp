#include "outputs/output_setup.h"

#include "outputs/mqtt_publisher.h"

namespace nimbrel {

std::unique_ptr<OutputQueue> makeOutputQueue(const OutputSettings& settings, const std::string& softwareVersion,
                                             std::function<void(const std::string&)> status) {
    std::vector<std::unique_ptr<Output>> outputs;
    if (settings.mqtt.enabled())
        outputs.push_back(std::make_unique<MqttPublisher>(settings.mqtt, softwareVersion, status));
    // The weather-network upload joins here once it is built; until then its settings are read only.
    if (outputs.empty()) return nullptr;
    return std::make_unique<OutputQueue>(std::move(outputs), OutputQueue::kDefaultCapacity, std::move(status));
}

} // namespace nimbrel
