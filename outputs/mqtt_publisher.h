// MqttPublisher: the Output that sends readings to an MQTT broker through libmosquitto.
#pragma once

#include "outputs/output.h"
#include "outputs/output_settings.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

struct mosquitto;

namespace nimbrel {

// libmosquitto's own thread keeps the connection: it connects in the background, reconnects with a
// growing pause (1 s doubling up to 60 s) when the broker goes away, and on every connect says
// `online` on the availability topic and sends the discovery messages again (a broker restarted
// without persistence has forgotten them). The broker says `offline` for us when we vanish.
// Readings that come while there is no connection are not kept: the next reading after the
// reconnect brings everything up to date.
// Sends one reading (and the discovery messages when they are on) with its own connection, and waits
// until the broker has taken every message or `timeout` is over. It says nothing on the availability
// topic: that belongs to the program that publishes all along. Its client id is the configured one
// with "-once", so a logger that runs meanwhile keeps its connection.
OutputAnswer mqttSendOnce(const MqttSettings& settings, const std::string& softwareVersion,
                          const OutputReading& reading, std::chrono::milliseconds timeout);

class MqttPublisher final : public Output {
public:
    // `status` receives status texts (connected, lost, refused) from libmosquitto's thread; it never
    // receives the password.
    MqttPublisher(MqttSettings settings, std::string softwareVersion,
                  std::function<void(const std::string&)> status = {});
    ~MqttPublisher() override;
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    std::string name() const override { return "MQTT"; }
    void start() override;
    // Live readings only: history records reach the broker as the reading of their cycle already.
    void publish(const OutputReading& reading) override;
    void stop() override;

    bool connected() const { return connected_.load(); }
    // Readings not sent because there was no connection.
    unsigned long long skipped() const { return skipped_.load(); }

private:
    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    void report(const std::string& text);
    void sendOnConnect();
    // The first connect, and libmosquitto's thread once it is made. False when it failed at once.
    bool connectAndLoop();
    // libmosquitto keeps trying only once a first connect got under way; until then, we do.
    void retryFirstConnect();
    std::string where() const;

    MqttSettings settings_;
    std::string softwareVersion_;
    std::function<void(const std::string&)> status_;
    mosquitto* client_ = nullptr;
    bool loopRunning_ = false;
    std::atomic<bool> connected_{false};
    std::atomic<unsigned long long> skipped_{0};
    std::mutex statusMutex_;

    std::thread firstConnect_;
    std::mutex stopMutex_;
    std::condition_variable stopWake_;
    bool stopping_ = false;
};

} // namespace nimbrel
