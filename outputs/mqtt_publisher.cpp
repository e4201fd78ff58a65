#include "outputs/mqtt_publisher.h"

#include "outputs/mqtt_messages.h"

#include <mosquitto.h>

#include <algorithm>
#include <chrono>

namespace nimbrel {
namespace {

constexpr int kKeepAliveSeconds = 30;
constexpr unsigned kFirstReconnectDelay = 1;
constexpr unsigned kLongestReconnectDelay = 60;
// Availability and discovery are sent at least once; a reading repeats soon enough to go at most once.
constexpr int kControlQos = 1;
constexpr int kReadingQos = 0;

void initialiseLibraryOnce() {
    static const int initialised = mosquitto_lib_init();
    (void)initialised;
}

bool send(mosquitto* client, const MqttMessage& message, int qos) {
    return mosquitto_publish(client, nullptr, message.topic.c_str(), static_cast<int>(message.payload.size()),
                             message.payload.data(), qos, message.retained) == MOSQ_ERR_SUCCESS;
}

} // namespace

MqttPublisher::MqttPublisher(MqttSettings settings, std::string softwareVersion,
                             std::function<void(const std::string&)> status)
    : settings_(std::move(settings)), softwareVersion_(std::move(softwareVersion)), status_(std::move(status)) {}

MqttPublisher::~MqttPublisher() {
    stop();
}

std::string MqttPublisher::where() const {
    return settings_.host + ":" + std::to_string(settings_.port);
}

void MqttPublisher::report(const std::string& text) {
    std::lock_guard<std::mutex> lock(statusMutex_);
    if (status_) status_("MQTT: " + text);
}

void MqttPublisher::start() {
    if (client_) return;
    initialiseLibraryOnce();
    client_ = mosquitto_new(settings_.clientId.empty() ? nullptr : settings_.clientId.c_str(), true, this);
    if (!client_) {
        report("could not set up a client");
        return;
    }
    const std::string availability = mqttAvailabilityTopic(settings_);
    mosquitto_will_set(client_, availability.c_str(), static_cast<int>(std::char_traits<char>::length(kMqttOffline)),
                       kMqttOffline, kControlQos, true);
    if (!settings_.user.empty())
        mosquitto_username_pw_set(client_, settings_.user.c_str(),
                                  settings_.password.empty() ? nullptr : settings_.password.c_str());
    if (settings_.tls) {
        // Without a CA file of its own the broker is checked against the system's certificates.
        const char* caFile = settings_.caFile.empty() ? nullptr : settings_.caFile.c_str();
        const char* caPath = caFile ? nullptr : "/etc/ssl/certs";
        if (mosquitto_tls_set(client_, caFile, caPath, nullptr, nullptr, nullptr) != MOSQ_ERR_SUCCESS)
            report("the certificates in " + std::string(caFile ? caFile : caPath) + " cannot be used");
    }
    mosquitto_connect_callback_set(client_, &MqttPublisher::onConnect);
    mosquitto_disconnect_callback_set(client_, &MqttPublisher::onDisconnect);
    mosquitto_reconnect_delay_set(client_, kFirstReconnectDelay, kLongestReconnectDelay, true);
    stopping_ = false;
    if (!connectAndLoop()) firstConnect_ = std::thread([this] { retryFirstConnect(); });
}

bool MqttPublisher::connectAndLoop() {
    const int rc = mosquitto_connect_async(client_, settings_.host.c_str(), settings_.port, kKeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) return false;
    loopRunning_ = mosquitto_loop_start(client_) == MOSQ_ERR_SUCCESS;
    if (!loopRunning_) report("could not start its network thread");
    return true;
}

void MqttPublisher::retryFirstConnect() {
    report("no broker at " + where() + " yet; retrying");
    std::chrono::seconds delay{kFirstReconnectDelay};
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(stopMutex_);
            if (stopWake_.wait_for(lock, delay, [this] { return stopping_; })) return;
        }
        if (connectAndLoop()) return;
        delay = std::min(delay * 2, std::chrono::seconds{kLongestReconnectDelay});
    }
}

void MqttPublisher::onConnect(mosquitto*, void* self, int rc) {
    auto* publisher = static_cast<MqttPublisher*>(self);
    if (rc != 0) {
        publisher->report("the broker at " + publisher->where() + " refused the connection: " +
                          mosquitto_connack_string(rc));
        return;
    }
    publisher->sendOnConnect();
    publisher->connected_ = true;
    publisher->report("connected to " + publisher->where());
}

void MqttPublisher::sendOnConnect() {
    send(client_, {mqttAvailabilityTopic(settings_), kMqttOnline, true}, kControlQos);
    if (settings_.discovery)
        for (const MqttMessage& message : mqttDiscoveryMessages(settings_, softwareVersion_))
            send(client_, message, kControlQos);
}

void MqttPublisher::onDisconnect(mosquitto*, void* self, int rc) {
    auto* publisher = static_cast<MqttPublisher*>(self);
    publisher->connected_ = false;
    // rc 0 is our own disconnect at stop.
    if (rc != 0) publisher->report("lost the broker at " + publisher->where() + "; reconnecting");
}

void MqttPublisher::publish(const OutputReading& reading) {
    if (reading.stored || !client_) return;
    if (!connected_) {
        ++skipped_;
        return;
    }
    for (const MqttMessage& message : mqttReadingMessages(settings_, reading))
        if (!send(client_, message, kReadingQos)) {
            ++skipped_;
            return;
        }
}

void MqttPublisher::stop() {
    if (!client_) return;
    {
        std::lock_guard<std::mutex> lock(stopMutex_);
        stopping_ = true;
    }
    stopWake_.notify_all();
    if (firstConnect_.joinable()) firstConnect_.join();
    if (connected_)
        send(client_, {mqttAvailabilityTopic(settings_), kMqttOffline, true}, kControlQos);
    mosquitto_disconnect(client_);
    if (loopRunning_) mosquitto_loop_stop(client_, false);
    loopRunning_ = false;
    connected_ = false;
    mosquitto_destroy(client_);
    client_ = nullptr;
}

} // namespace nimbrel
