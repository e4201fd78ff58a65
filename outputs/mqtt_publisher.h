// MqttPublisher: the Output that sends readings to an MQTT broker through libmosquitto.
#pragma once

#include "outputs/output.h"
#include "outputs/output_settings.h"
#include "outputs/record_feed.h"
#include "station/clock.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <set>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

struct mosquitto;

namespace nimbrel {

// libmosquitto's own thread keeps the connection: it connects in the background, reconnects with a
// growing pause (1 s doubling up to 15 s, about a station cycle) when the broker goes away, and on
// every connect says `online` on the availability topic and sends the discovery messages again (a
// broker restarted without persistence has forgotten them). The broker says `offline` for us when we
// vanish. Of the readings that come while there is no connection only the newest is kept, and sent
// on the reconnect: a broker that was gone misses the readings of that time and no more.
// The station problem goes out when it changes and again on every reconnect. Until the station has
// said anything it is unknown and nothing is sent; the first live reading shows the station answers,
// and makes it OFF: a Home Assistant user sees "OK" from the first reading on, rather than a sensor
// that stays unknown for as long as the station never fails, or an ON kept by the broker from a
// run that ended during a problem.
class MqttPublisher final : public Output {
public:
    // `status` receives status texts (connected, lost, refused) from libmosquitto's thread; it never
    // receives the password. With `historyFile` every stored record goes out on <prefix>/record.
    MqttPublisher(MqttSettings settings, std::string softwareVersion,
                  std::function<void(const std::string&)> status = {}, std::string historyFile = {},
                  Clock& clock = systemClock());
    ~MqttPublisher() override;
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    static constexpr const char* kName = "MQTT";
    std::string name() const override { return kName; }
    void start() override;
    // Live readings only: history records reach the broker as the reading of their cycle already.
    void publish(const OutputReading& reading) override;
    void stationProblem(bool on) override;
    // Each alert's binary sensor, retained; the station problem has its own sensor already.
    void alert(const Alert& alert) override;
    // The stored records after the last one the broker acknowledged, in order, QoS 1, a few in flight
    // at a time; the position advances with the broker's acknowledgements.
    std::optional<std::chrono::milliseconds> catchUp() override;
    // Waits a moment for the acknowledgements of records in flight, so a record is not sent again after
    // a restart, then says offline.
    void stop() override;

    bool connected() const { return connected_.load(); }
    // Readings not sent because there was no connection (and a newer one came) or the send failed.
    unsigned long long skipped() const { return skipped_.load(); }

private:
    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    static void onLog(mosquitto*, void* self, int level, const char* text);
    static void onPublish(mosquitto*, void* self, int mid);
    // Keeps the position of the records in flight that the broker acknowledged, oldest first.
    void takeAcknowledgements();
    void report(const std::string& text);
    void sendOnConnect();
    bool sendReading(const OutputReading& reading);
    // The first connect, and libmosquitto's thread once it is made. False when it failed at once.
    bool connectAndLoop();
    // libmosquitto keeps trying only once a first connect got under way; until then, we do, on the
    // thread `firstConnect_`.
    void retryFirstConnect();

    MqttSettings settings_;
    std::string softwareVersion_;
    std::function<void(const std::string&)> status_;
    mosquitto* client_ = nullptr;
    bool loopRunning_ = false;
    std::atomic<bool> connected_{false};
    std::atomic<bool> certificateRefused_{false}; // said on the status line until a connection is made
    std::atomic<unsigned long long> skipped_{0};
    // The newest reading that found no connection. Held with its mutex from the check of
    // `connected_` to the send, so a reading is never kept back behind a newer one.
    std::mutex pendingMutex_;
    std::optional<OutputReading> pending_;
    // The station problem as last known, under the same mutex; nothing before the station said.
    std::optional<bool> problem_;
    std::map<std::string, bool> alerts_; // each alert's state as last said, under the same mutex
    std::mutex statusMutex_;

    // The stored records, on the outputs' thread: handed to libmosquitto up to `sent_`, acknowledged up
    // to the feed's position. The acknowledgements come on libmosquitto's thread into `acknowledged_`.
    std::string historyFile_;
    Clock& clock_;
    std::optional<RecordFeed> feed_;
    struct InFlight {
        int mid;
        RecordPosition position;
        std::chrono::steady_clock::time_point sentAt;
    };
    std::deque<InFlight> inFlight_;
    std::optional<RecordPosition> sent_;
    std::mutex acknowledgedMutex_;
    std::set<int> acknowledged_;

    std::thread firstConnect_;
    std::mutex stopMutex_;
    std::condition_variable stopWake_;
    bool stopping_ = false;
};

// Sends one reading (and the discovery messages when they are on) with its own connection, and waits
// until the broker has taken every message or `timeout` is over. It says nothing on the availability
// topic nor on the station problem's: they belong to the program that publishes all along. Its client
// id is the configured one with "-once", so a logger that runs meanwhile keeps its connection.
OutputAnswer mqttSendOnce(const MqttSettings& settings, const std::string& softwareVersion,
                          const OutputReading& reading, std::chrono::milliseconds timeout);

} // namespace nimbrel
