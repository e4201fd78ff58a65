#include "outputs/mqtt_publisher.h"

#include "outputs/mqtt_messages.h"

#include "outputs/network_libraries.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>
#include <chrono>
#include <ctime>

namespace nimbrel {
namespace {

constexpr int kKeepAliveSeconds = 30;
constexpr unsigned kFirstReconnectDelay = 1;
constexpr unsigned kLongestReconnectDelay = 15;
// Availability and discovery are sent at least once; a reading repeats soon enough to go at most once.
constexpr int kControlQos = 1;
constexpr int kReadingQos = 0;
// Stored records go at least once.
constexpr int kRecordQos = 1;
constexpr std::size_t kRecordsInFlight = 20;
// A record the broker has not acknowledged in this time is sent again from the last acknowledged one.
constexpr auto kAcknowledgementWait = std::chrono::seconds(30);
constexpr auto kAcknowledgementLook = std::chrono::milliseconds(50);
constexpr auto kStopWaitForAcknowledgements = std::chrono::seconds(2);

// libmosquitto, loaded and set up once; false, with why, when it cannot be loaded.
bool mosquittoReady(std::string& failure) {
    static const std::string loadFailure = [] {
        std::string why;
        if (loadMosquitto(why)) mosquittoApi().mosquitto_lib_init();
        return why;
    }();
    failure = loadFailure;
    return failure.empty();
}

bool send(mosquitto* client, const MqttMessage& message, int qos) {
    return mosquittoApi().mosquitto_publish(client, nullptr, message.topic.c_str(), static_cast<int>(message.payload.size()),
                             message.payload.data(), qos, message.retained) == MOSQ_ERR_SUCCESS;
}

std::string whereOf(const MqttSettings& settings) {
    return settings.host + ":" + std::to_string(settings.port);
}

// User, password and TLS as configured. An error text when the certificates cannot be used, else "".
std::string configureClient(mosquitto* client, const MqttSettings& settings) {
    if (!settings.user.empty())
        mosquittoApi().mosquitto_username_pw_set(client, settings.user.c_str(),
                                  settings.password.empty() ? nullptr : settings.password.c_str());
    if (!settings.tls) return {};
    // Without a CA file of its own the broker is checked against the system's certificates.
    const char* caFile = settings.caFile.empty() ? nullptr : settings.caFile.c_str();
    const char* caPath = caFile ? nullptr : "/etc/ssl/certs";
    if (mosquittoApi().mosquitto_tls_set(client, caFile, caPath, nullptr, nullptr, nullptr) != MOSQ_ERR_SUCCESS)
        return "the certificates in " + std::string(caFile ? caFile : caPath) + " cannot be used";
    return {};
}

// True for libmosquitto's log line of a TLS handshake that failed on the broker's certificate: OpenSSL's
// "certificate verify failed", for a certificate that the CA file did not sign and for one that names
// another host alike. The handshake may fail inside the connect or later in the network thread, and
// only this line tells the two causes of a TLS error apart from any other.
bool saysCertificateRefused(int level, const char* text) {
    return (level & MOSQ_LOG_ERR) != 0 && text != nullptr && std::strstr(text, "certificate verify failed") != nullptr;
}

std::string untrustedCertificateText(const MqttSettings& settings) {
    return "the certificate of the broker at " + whereOf(settings) + " is not trusted by " +
           (settings.caFile.empty() ? std::string("the system's certificates") : settings.caFile) +
           ", or it does not name " + settings.host;
}

// What the one-off sending waits for: the broker's answer to the connect, then its acknowledgements.
// Written by libmosquitto's thread under the mutex, which is there for the condition; read anywhere.
struct OnceState {
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<int> connectAnswer{-1};
    std::atomic<int> unacknowledged{0};
    std::atomic<bool> lost{false};
    std::atomic<bool> untrusted{false}; // the broker's certificate was refused
};

} // namespace

MqttPublisher::MqttPublisher(MqttSettings settings, std::string softwareVersion,
                             std::function<void(const std::string&)> status, std::string historyFile,
                             Clock& clock)
    : settings_(std::move(settings)), softwareVersion_(std::move(softwareVersion)), status_(std::move(status)),
      historyFile_(std::move(historyFile)), clock_(clock) {}

MqttPublisher::~MqttPublisher() {
    stop();
}

void MqttPublisher::report(const std::string& text) {
    std::lock_guard<std::mutex> lock(statusMutex_);
    if (status_) status_(std::string(kName) + ": " + text);
}

void MqttPublisher::start() {
    if (client_) return;
    if (std::string failure; !mosquittoReady(failure)) {
        report(failure);
        return;
    }
    client_ = mosquittoApi().mosquitto_new(settings_.clientId.empty() ? nullptr : settings_.clientId.c_str(), true, this);
    if (!client_) {
        report("could not set up a client");
        return;
    }
    const std::string availability = mqttAvailabilityTopic(settings_);
    mosquittoApi().mosquitto_will_set(client_, availability.c_str(), static_cast<int>(std::char_traits<char>::length(kMqttOffline)),
                       kMqttOffline, kControlQos, true);
    if (const std::string problem = configureClient(client_, settings_); !problem.empty()) report(problem);
    mosquittoApi().mosquitto_connect_callback_set(client_, &MqttPublisher::onConnect);
    mosquittoApi().mosquitto_disconnect_callback_set(client_, &MqttPublisher::onDisconnect);
    mosquittoApi().mosquitto_log_callback_set(client_, &MqttPublisher::onLog);
    mosquittoApi().mosquitto_publish_callback_set(client_, &MqttPublisher::onPublish);
    if (!historyFile_.empty() && !feed_) {
        feed_.emplace(historyFile_, settings_.positionFile, settings_.catchupDays, clock_,
                      [this](const std::string& text) { report(text); });
        feed_->begin();
    }
    mosquittoApi().mosquitto_reconnect_delay_set(client_, kFirstReconnectDelay, kLongestReconnectDelay, true);
    stopping_ = false;
    // Even the first try looks the host name up, which may take seconds: never on the caller's thread
    // (the window's).
    firstConnect_ = std::thread([this] {
        if (!connectAndLoop()) retryFirstConnect();
    });
}

bool MqttPublisher::connectAndLoop() {
    const int rc = mosquittoApi().mosquitto_connect_async(client_, settings_.host.c_str(), settings_.port, kKeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) return false;
    loopRunning_ = mosquittoApi().mosquitto_loop_start(client_) == MOSQ_ERR_SUCCESS;
    if (!loopRunning_) report("could not start its network thread");
    return true;
}

void MqttPublisher::retryFirstConnect() {
    // A broker whose certificate was refused in the connect has said so already.
    if (!certificateRefused_) report("no broker at " + whereOf(settings_) + " yet; retrying");
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
        publisher->report("the broker at " + whereOf(publisher->settings_) + " refused the connection: " +
                          mosquittoApi().mosquitto_connack_string(rc));
        return;
    }
    {
        std::lock_guard<std::mutex> lock(publisher->pendingMutex_);
        publisher->sendOnConnect();
        if (publisher->problem_)
            send(publisher->client_, mqttStationProblemMessage(publisher->settings_, *publisher->problem_),
                 kControlQos);
        for (const auto& [id, on] : publisher->alerts_)
            send(publisher->client_, mqttAlertMessage(publisher->settings_, id, on), kControlQos);
        if (publisher->pending_) publisher->sendReading(*publisher->pending_);
        publisher->pending_.reset();
        publisher->connected_ = true;
    }
    publisher->certificateRefused_ = false;
    publisher->report("connected to " + whereOf(publisher->settings_));
}

void MqttPublisher::onLog(mosquitto*, void* self, int level, const char* text) {
    auto* publisher = static_cast<MqttPublisher*>(self);
    // Said once: the network thread tries again and again, and each try fails the same way.
    if (saysCertificateRefused(level, text) && !publisher->certificateRefused_.exchange(true))
        publisher->report(untrustedCertificateText(publisher->settings_) + "; retrying");
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
    if (rc != 0) publisher->report("lost the broker at " + whereOf(publisher->settings_) + "; reconnecting");
}

void MqttPublisher::publish(const OutputReading& reading) {
    if (reading.stored || !client_) return;
    std::lock_guard<std::mutex> lock(pendingMutex_);
    const bool firstAnswer = !problem_;
    if (firstAnswer) problem_ = false;
    if (!connected_) {
        if (pending_) ++skipped_;
        pending_ = reading;
        return;
    }
    if (firstAnswer) send(client_, mqttStationProblemMessage(settings_, false), kControlQos);
    sendReading(reading);
}

void MqttPublisher::stationProblem(bool on) {
    if (!client_) return;
    std::lock_guard<std::mutex> lock(pendingMutex_);
    problem_ = on;
    // Without a connection the reconnect sends it.
    if (connected_) send(client_, mqttStationProblemMessage(settings_, on), kControlQos);
}

void MqttPublisher::alert(const Alert& alert) {
    if (!client_ || alert.id == "station_problem") return;
    std::lock_guard<std::mutex> lock(pendingMutex_);
    alerts_[alert.id] = alert.on;
    // Without a connection the reconnect sends it.
    if (connected_) send(client_, mqttAlertMessage(settings_, alert.id, alert.on), kControlQos);
}

void MqttPublisher::onPublish(mosquitto*, void* self, int mid) {
    auto* publisher = static_cast<MqttPublisher*>(self);
    std::lock_guard<std::mutex> lock(publisher->acknowledgedMutex_);
    publisher->acknowledged_.insert(mid);
}

void MqttPublisher::takeAcknowledgements() {
    std::optional<RecordPosition> newest;
    {
        std::lock_guard<std::mutex> lock(acknowledgedMutex_);
        while (!inFlight_.empty() && acknowledged_.erase(inFlight_.front().mid) > 0) {
            newest = inFlight_.front().position;
            inFlight_.pop_front();
        }
        // Acknowledgements of other messages (availability, discovery, alerts) are of no use here.
        if (inFlight_.empty()) acknowledged_.clear();
    }
    // One write for each batch of acknowledgements: a kill -9 sends again at most what was in flight.
    if (newest) feed_->keep(*newest);
}

std::optional<std::chrono::milliseconds> MqttPublisher::catchUp() {
    if (!feed_ || !client_) return std::nullopt;
    using namespace std::chrono;
    takeAcknowledgements();
    if (!connected_) return milliseconds(seconds(1));
    const auto now = steady_clock::now();
    if (!inFlight_.empty() && now - inFlight_.front().sentAt > kAcknowledgementWait) {
        // The broker lost them: from the last acknowledged record again (QoS 1 is at least once).
        inFlight_.clear();
        sent_.reset();
    }
    const std::size_t room = kRecordsInFlight - inFlight_.size();
    if (room > 0) {
        for (const StoredRecord& record : feed_->after(sent_.value_or(feed_->position()), room)) {
            const MqttMessage message = mqttRecordMessage(settings_, record);
            int mid = 0;
            if (mosquittoApi().mosquitto_publish(client_, &mid, message.topic.c_str(),
                                                 static_cast<int>(message.payload.size()), message.payload.data(),
                                                 kRecordQos, false) != MOSQ_ERR_SUCCESS)
                break;
            inFlight_.push_back({mid, record.position, now});
            sent_ = record.position;
        }
    }
    if (!inFlight_.empty()) return duration_cast<milliseconds>(kAcknowledgementLook);
    // Everything stored is acknowledged: the next record stored calls again.
    return std::nullopt;
}

bool MqttPublisher::sendReading(const OutputReading& reading) {
    for (const MqttMessage& message : mqttReadingMessages(settings_, reading))
        if (!send(client_, message, kReadingQos)) {
            ++skipped_;
            return false;
        }
    return true;
}

void MqttPublisher::stop() {
    if (!client_) return;
    {
        std::lock_guard<std::mutex> lock(stopMutex_);
        stopping_ = true;
    }
    stopWake_.notify_all();
    if (firstConnect_.joinable()) firstConnect_.join();
    if (feed_) {
        const auto end = std::chrono::steady_clock::now() + kStopWaitForAcknowledgements;
        for (takeAcknowledgements(); connected_ && !inFlight_.empty() && std::chrono::steady_clock::now() < end;
             takeAcknowledgements())
            std::this_thread::sleep_for(kAcknowledgementLook);
    }
    if (connected_)
        send(client_, {mqttAvailabilityTopic(settings_), kMqttOffline, true}, kControlQos);
    mosquittoApi().mosquitto_disconnect(client_);
    if (loopRunning_) mosquittoApi().mosquitto_loop_stop(client_, false);
    loopRunning_ = false;
    connected_ = false;
    mosquittoApi().mosquitto_destroy(client_);
    client_ = nullptr;
}

OutputAnswer mqttSendOnce(const MqttSettings& settings, const std::string& softwareVersion,
                          const OutputReading& reading, std::chrono::milliseconds timeout) {
    if (std::string failure; !mosquittoReady(failure)) return {false, failure};
    const std::string where = whereOf(settings);
    const std::string clientId = settings.clientId.empty() ? std::string() : settings.clientId + "-once";
    OnceState state;
    std::unique_ptr<mosquitto, void (*)(mosquitto*)> owned(
        mosquittoApi().mosquitto_new(clientId.empty() ? nullptr : clientId.c_str(), true, &state), mosquittoApi().mosquitto_destroy);
    mosquitto* client = owned.get();
    if (!client) return {false, "could not set up a client"};
    if (const std::string problem = configureClient(client, settings); !problem.empty()) return {false, problem};
    mosquittoApi().mosquitto_connect_callback_set(client, [](mosquitto*, void* self, int rc) {
        auto& s = *static_cast<OnceState*>(self);
        std::lock_guard<std::mutex> lock(s.mutex);
        s.connectAnswer = rc;
        s.changed.notify_all();
    });
    mosquittoApi().mosquitto_disconnect_callback_set(client, [](mosquitto*, void* self, int) {
        auto& s = *static_cast<OnceState*>(self);
        std::lock_guard<std::mutex> lock(s.mutex);
        s.lost = true;
        s.changed.notify_all();
    });
    mosquittoApi().mosquitto_publish_callback_set(client, [](mosquitto*, void* self, int) {
        auto& s = *static_cast<OnceState*>(self);
        std::lock_guard<std::mutex> lock(s.mutex);
        --s.unacknowledged;
        s.changed.notify_all();
    });
    mosquittoApi().mosquitto_log_callback_set(client, [](mosquitto*, void* self, int level, const char* text) {
        if (!saysCertificateRefused(level, text)) return;
        auto& s = *static_cast<OnceState*>(self);
        std::lock_guard<std::mutex> lock(s.mutex);
        s.untrusted = true;
        s.changed.notify_all();
    });
    if (const int rc = mosquittoApi().mosquitto_connect_async(client, settings.host.c_str(), settings.port, kKeepAliveSeconds);
        rc != MOSQ_ERR_SUCCESS) {
        if (state.untrusted) return {false, untrustedCertificateText(settings)};
        return {false, "no broker at " + where + ": " + (rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquittoApi().mosquitto_strerror(rc))};
    }
    if (mosquittoApi().mosquitto_loop_start(client) != MOSQ_ERR_SUCCESS) return {false, "could not start its network thread"};
    const auto end = std::chrono::steady_clock::now() + timeout;
    const auto finish = [&](OutputAnswer answer) {
        mosquittoApi().mosquitto_disconnect(client);
        mosquittoApi().mosquitto_loop_stop(client, answer.ok ? false : true);
        return answer;
    };
    // Waits for `done` or the end of the time; the lock is given back before a callback may need it.
    const auto waitFor = [&](const std::function<bool()>& done) {
        std::unique_lock<std::mutex> lock(state.mutex);
        return state.changed.wait_until(lock, end, done);
    };
    if (!waitFor([&] { return state.connectAnswer >= 0 || state.lost || state.untrusted; }))
        return finish({false, "the broker at " + where + " did not answer in time"});
    if (state.untrusted) return finish({false, untrustedCertificateText(settings)});
    if (state.connectAnswer != 0)
        return finish({false, "the broker at " + where + " refused the connection: " +
                                  (state.connectAnswer > 0 ? mosquittoApi().mosquitto_connack_string(state.connectAnswer)
                                                           : "the connection was lost")});
    std::vector<MqttMessage> messages;
    if (settings.discovery) messages = mqttDiscoveryMessages(settings, softwareVersion);
    const std::size_t discoveryCount = messages.size();
    for (MqttMessage& m : mqttReadingMessages(settings, reading)) messages.push_back(std::move(m));
    for (const MqttMessage& message : messages) {
        ++state.unacknowledged;
        if (!send(client, message, kControlQos)) return finish({false, "the broker at " + where + " took no message"});
    }
    if (!waitFor([&] { return state.unacknowledged <= 0 || state.lost; }) || state.unacknowledged > 0)
        return finish({false, "the broker at " + where + " did not acknowledge every message in time"});
    // Each value has its topic; the state message carries them all.
    const std::size_t values = messages.size() - discoveryCount - 1;
    std::string text = "the broker at " + where + " took ";
    if (discoveryCount > 0) text += std::to_string(discoveryCount) + " discovery messages, ";
    text += "the state and " + std::to_string(values) + " values";
    return finish({true, text});
}

} // namespace nimbrel
