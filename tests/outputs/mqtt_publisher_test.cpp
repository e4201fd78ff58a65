// MQTT against a real mosquitto broker on 127.0.0.1: the bytes of discovery and state messages, the
// station problem, and publishing that resumes after the broker went away and came back.
#include "outputs/mqtt_messages.h"
#include "outputs/mqtt_publisher.h"
#include "outputs/output_queue.h"
#include "tests/support/hourly_history.h"
#include "tests/support/loopback_port.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <mosquitto.h>

#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace nimbrel {
namespace {

using namespace std::chrono_literals;
constexpr const char* kBroker = "/usr/sbin/mosquitto";

bool accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

// A mosquitto process that keeps nothing between runs, so a restart forgets every retained message.
class Broker {
public:
    // `anonymous` false: every client without a login is refused. `more`: further lines of its
    // configuration (a second listener).
    Broker(const testing::TempDir& dir, int port, bool anonymous = true, const std::string& more = {})
        : config_(dir / "mosquitto.conf"), port_(port) {
        dir.write("mosquitto.conf", "listener " + std::to_string(port) + " 127.0.0.1\nallow_anonymous " +
                                        (anonymous ? "true" : "false") + "\npersistence false\nlog_dest none\n" + more);
        std::filesystem::permissions(config_, std::filesystem::perms::others_read, std::filesystem::perm_options::add);
    }
    ~Broker() { stop(); }
    bool start() {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execl(kBroker, kBroker, "-c", config_.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 100; ++i) {
            if (accepts(port_)) return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }
    // SIGTERM lets a broker with persistence keep its sessions.
    void stop(int signal = SIGKILL) {
        if (pid_ <= 0) return;
        ::kill(pid_, signal);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    std::filesystem::path config_;
    int port_;
    pid_t pid_ = -1;
};

// Subscribes to everything and keeps the last payload of each topic, and every payload in turn. With
// `keepSession` it subscribes at QoS 1 in a session that the broker keeps while it is away.
class Subscriber {
public:
    explicit Subscriber(int port, const char* clientId = "nimbrel-test-subscriber", bool keepSession = false) {
        mosquitto_lib_init();
        client_ = mosquitto_new(clientId, !keepSession, this);
        mosquitto_connect_callback_set(client_, [](mosquitto* m, void* self, int rc) {
            if (rc == 0) mosquitto_subscribe(m, nullptr, "#", static_cast<Subscriber*>(self)->qos_);
        });
        qos_ = keepSession ? 1 : 0;
        mosquitto_subscribe_callback_set(client_, [](mosquitto*, void* self, int, int, const int*) {
            auto* me = static_cast<Subscriber*>(self);
            std::lock_guard<std::mutex> lock(me->mutex_);
            me->subscribed_ = true;
            me->changed_.notify_all();
        });
        mosquitto_message_callback_set(client_, [](mosquitto*, void* self, const mosquitto_message* msg) {
            auto* me = static_cast<Subscriber*>(self);
            std::lock_guard<std::mutex> lock(me->mutex_);
            const std::string payload(static_cast<const char*>(msg->payload), msg->payloadlen);
            me->last_[msg->topic] = payload;
            me->all_[msg->topic].push_back(payload);
            me->changed_.notify_all();
        });
        mosquitto_reconnect_delay_set(client_, 1, 1, false);
        mosquitto_connect_async(client_, "127.0.0.1", port, 30);
        mosquitto_loop_start(client_);
    }
    ~Subscriber() {
        mosquitto_disconnect(client_);
        mosquitto_loop_stop(client_, false);
        mosquitto_destroy(client_);
    }
    // The payload of a topic once it equals `expected` or 10 seconds are over.
    std::string waitFor(const std::string& topic, const std::string& expected) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, 10s, [&] { return last_.count(topic) && last_[topic] == expected; });
        return last_.count(topic) ? last_[topic] : "(nothing)";
    }
    void forget() {
        std::lock_guard<std::mutex> lock(mutex_);
        last_.clear();
    }
    bool waitSubscribed() {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] { return subscribed_; });
    }
    // Every payload of a topic so far, once there are `count` or 10 seconds are over.
    std::vector<std::string> all(const std::string& topic, std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, 10s, [&] { return all_[topic].size() >= count; });
        return all_[topic];
    }

private:
    mosquitto* client_;
    int qos_ = 0;
    bool subscribed_ = false;
    std::map<std::string, std::vector<std::string>> all_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, std::string> last_;
};

WeatherSample reading(const char* outdoorTemperature) {
    using P = WeatherSample::Position;
    WeatherSample s;
    s[P::indTemp] = "21.4";
    s[P::outTemp] = outdoorTemperature;
    s[P::indHumi] = "45";
    s[P::outHumi] = "87";
    s[P::dewPoint] = "3.2";
    s[P::windChill] = "---"; // no reading: left out
    s[P::absPres] = "1012.3";
    s[P::relPres] = "1019.8";
    s[P::winds] = "2.4";
    s[P::gust] = "4.1";
    s[P::windDir] = "5"; // ESE
    s[P::hourRain] = "0.3";
    s[P::dayRain] = "1.2";
    s[P::weekRain] = "7.5";
    s[P::monthRain] = "30.6";
    s[P::totalRain] = "401.7";
    return s;
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// A topic prefix in Latin-1 (no UTF-8) is mended in the JSON texts, never thrown over.
TEST(MqttMessages, ATopicPrefixThatIsNoUtf8IsMendedInTheJson) {
    MqttSettings settings;
    settings.topicPrefix = "wx\xE9";
    settings.clientId = "c";
    const std::vector<MqttMessage> messages = mqttDiscoveryMessages(settings, "1");
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(messages.front().payload.find("\"state_topic\":\"wx\xEF\xBF\xBD/state\""), std::string::npos)
        << messages.front().payload;
}

// The station problem is a binary sensor of the same device, under the configured prefixes.
TEST(MqttMessages, TheStationProblemIsDiscoveredAsABinarySensorOfTheDevice) {
    MqttSettings settings;
    settings.topicPrefix = "wx";
    settings.discoveryPrefix = "ha";
    settings.clientId = "c";
    const std::vector<MqttMessage> messages = mqttDiscoveryMessages(settings, "9.9.9");
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().topic, "ha/binary_sensor/c/station_problem/config");
    EXPECT_EQ(
        messages.back().payload,
        R"({"name":"Station problem","unique_id":"c_station_problem","state_topic":"wx/station_problem",)"
        R"("device_class":"problem","entity_category":"diagnostic","availability_topic":"wx/availability",)"
        R"("device":{"identifiers":["c"],"name":"Nimbrel weather station","manufacturer":"Nimbrel",)"
        R"("model":"USB weather station","sw_version":"9.9.9"}})");
    EXPECT_TRUE(messages.back().retained);
}

// Two certificate authorities, and a broker certificate for "localhost" that the first one signed
// (ca.pem; the other is other.pem), made by the openssl tool in `dir`. A broker started as root reads
// them as the user mosquitto: the folder is opened to others.
bool makeCertificates(const testing::TempDir& dir) {
    std::filesystem::permissions(dir.path(), std::filesystem::perms::others_exec, std::filesystem::perm_options::add);
    const std::string key = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    const std::string command =
        "cd '" + dir.path().string() + "' && (openssl req -x509" + key + " -keyout ca.key -out ca.pem -days 2" +
        " -subj /CN=NimbrelTestCA && openssl req -x509" + key + " -keyout other.key -out other.pem -days 2" +
        " -subj /CN=OtherCA && openssl req" + key + " -keyout broker.key -out broker.csr -subj /CN=localhost" +
        " && printf 'subjectAltName=DNS:localhost\\n' > names && openssl x509 -req -in broker.csr -CA ca.pem" +
        " -CAkey ca.key -CAcreateserial -out broker.pem -days 2 -extfile names && chmod 644 *) >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

class MqttBroker : public ::testing::Test {
protected:
    void SetUp() override {
        if (::access(kBroker, X_OK) != 0)
            GTEST_SKIP() << kBroker << " is missing: install the Debian package mosquitto (scripts/install-deps)";
    }
};

TEST_F(MqttBroker, PublishesDiscoveryStateAndStationProblemAndResumesAfterTheBrokerCameBack) {
    testing::TempDir dir;
    const int port = testing::freeLoopbackPort();
    Broker broker(dir, port);
    ASSERT_TRUE(broker.start());

    MqttSettings settings;
    settings.host = "127.0.0.1";
    settings.port = port;
    settings.topicPrefix = "wx";
    settings.clientId = "nimbrel-test.1";
    std::vector<std::unique_ptr<Output>> outputs;
    outputs.push_back(std::make_unique<MqttPublisher>(settings, "9.9.9"));
    auto& publisher = static_cast<MqttPublisher&>(*outputs.front());
    OutputQueue queue(std::move(outputs));
    queue.start();
    ASSERT_TRUE(waitUntil([&] { return publisher.connected(); }, 10s));

    // Retained, so a subscriber that comes later still gets them.
    Subscriber subscriber(port);
    EXPECT_EQ(subscriber.waitFor("wx/availability", "online"), "online");
    const std::string discovery =
        R"({"name":"Outdoor temperature","unique_id":"nimbrel-test_1_outdoor_temperature",)"
        R"("state_topic":"wx/state","value_template":"{{ value_json.outdoor_temperature }}",)"
        R"("device_class":"temperature","unit_of_measurement":"°C","state_class":"measurement",)"
        R"("availability_topic":"wx/availability","device":{"identifiers":["nimbrel-test_1"],)"
        R"("name":"Nimbrel weather station","manufacturer":"Nimbrel","model":"USB weather station",)"
        R"("sw_version":"9.9.9"}})";
    const std::string discoveryTopic = "homeassistant/sensor/nimbrel-test_1/outdoor_temperature/config";
    EXPECT_EQ(subscriber.waitFor(discoveryTopic, discovery), discovery);

    // The rain since midnight is a sum of tenths: it goes out as tenths.
    queue.newReading(reading("5.3"), 1765228410, 0.1 + 0.2); // 2025-12-08 21:13:30 UTC
    const std::string state =
        R"({"time":"2025-12-08T21:13:30Z","indoor_temperature":21.4,"outdoor_temperature":5.3,)"
        R"("indoor_humidity":45,"outdoor_humidity":87,"dew_point":3.2,"absolute_pressure":1012.3,)"
        R"("relative_pressure":1019.8,"wind_speed":2.4,"wind_gust":4.1,"wind_direction":112.5,)"
        R"("rain_hour":0.3,"rain_today":0.3,"rain_24h":1.2,"rain_7d":7.5,"rain_30d":30.6,"rain_total":401.7,)"
        R"("units":{"indoor_temperature":"°C","outdoor_temperature":"°C","indoor_humidity":"%",)"
        R"("outdoor_humidity":"%","dew_point":"°C","absolute_pressure":"hPa","relative_pressure":"hPa",)"
        R"("wind_speed":"m/s","wind_gust":"m/s","wind_direction":"°","rain_hour":"mm","rain_today":"mm",)"
        R"("rain_24h":"mm","rain_7d":"mm","rain_30d":"mm","rain_total":"mm"}})";
    EXPECT_EQ(subscriber.waitFor("wx/state", state), state);
    EXPECT_EQ(subscriber.waitFor("wx/outdoor_temperature", "5.3"), "5.3");
    EXPECT_EQ(subscriber.waitFor("wx/wind_direction", "112.5"), "112.5");

    // The first reading shows the station answers. Each change stays with the broker for those who
    // subscribe later.
    EXPECT_EQ(subscriber.waitFor("wx/station_problem", "OFF"), "OFF");
    queue.stationProblem(true);
    ASSERT_EQ(subscriber.waitFor("wx/station_problem", "ON"), "ON");
    EXPECT_EQ(Subscriber(port, "nimbrel-test-late-1").waitFor("wx/station_problem", "ON"), "ON");
    queue.stationProblem(false);
    ASSERT_EQ(subscriber.waitFor("wx/station_problem", "OFF"), "OFF");
    EXPECT_EQ(Subscriber(port, "nimbrel-test-late-2").waitFor("wx/station_problem", "OFF"), "OFF");
    queue.stationProblem(true);
    ASSERT_EQ(subscriber.waitFor("wx/station_problem", "ON"), "ON");

    // The broker goes away: of the readings meanwhile only the newest is kept, none queued up without end.
    broker.stop();
    ASSERT_TRUE(waitUntil([&] { return !publisher.connected(); }, 10s));
    queue.newReading(reading("5.4"), 1765228425, std::nullopt);
    queue.newReading(reading("5.45"), 1765228430, std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return publisher.skipped() == 1; }, 5s));

    // Back (without the retained messages of before): online again, discovery again, the station
    // problem as last known, the kept reading at once, then the readings that follow.
    subscriber.forget();
    ASSERT_TRUE(broker.start());
    ASSERT_TRUE(waitUntil([&] { return publisher.connected(); }, 20s));
    EXPECT_EQ(subscriber.waitFor("wx/availability", "online"), "online");
    EXPECT_EQ(subscriber.waitFor(discoveryTopic, discovery), discovery);
    EXPECT_EQ(subscriber.waitFor("wx/station_problem", "ON"), "ON");
    EXPECT_EQ(subscriber.waitFor("wx/outdoor_temperature", "5.45"), "5.45");
    queue.newReading(reading("5.5"), 1765228440, std::nullopt);
    EXPECT_EQ(subscriber.waitFor("wx/outdoor_temperature", "5.5"), "5.5");

    // A stop says offline itself and returns at once.
    const auto before = std::chrono::steady_clock::now();
    queue.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    EXPECT_EQ(subscriber.waitFor("wx/availability", "offline"), "offline");
}

TEST_F(MqttBroker, ABrokerThatComesAfterTheStartIsFoundAndAStopMeanwhileIsPrompt) {
    testing::TempDir dir;
    const int port = testing::freeLoopbackPort();
    Broker broker(dir, port);
    MqttSettings settings;
    settings.host = "127.0.0.1";
    settings.port = port;
    settings.clientId = "nimbrel-test-3";
    {
        MqttPublisher waiting(settings, "9.9.9");
        waiting.start();
        std::this_thread::sleep_for(1500ms);
        const auto before = std::chrono::steady_clock::now();
        waiting.stop();
        EXPECT_LT(std::chrono::steady_clock::now() - before, 500ms);
    }
    MqttPublisher publisher(settings, "9.9.9");
    publisher.start();
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(broker.start());
    EXPECT_TRUE(waitUntil([&] { return publisher.connected(); }, 10s));
}

TEST_F(MqttBroker, SendingOnceWaitsForTheAcknowledgementsOrSaysWhyNot) {
    testing::TempDir dir;
    const int port = testing::freeLoopbackPort();
    Broker broker(dir, port);
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(port);
    MqttSettings settings;
    settings.host = "127.0.0.1";
    settings.port = port;
    settings.topicPrefix = "wx";
    settings.clientId = "once-test";
    OutputReading r;
    r.time = 1765228410;
    r.values = {{"outdoor_temperature", 5.3, false}, {"outdoor_humidity", 87, true}};
    OutputAnswer answer = mqttSendOnce(settings, "9.9.9", r, 5s);
    EXPECT_TRUE(answer.ok);
    EXPECT_EQ(answer.text, "the broker at 127.0.0.1:" + std::to_string(port) +
                               " took 18 discovery messages, the state and 2 values");
    EXPECT_EQ(subscriber.waitFor("wx/outdoor_humidity", "87"), "87");

    testing::TempDir strictDir;
    const int strictPort = testing::freeLoopbackPort();
    Broker strict(strictDir, strictPort, false);
    ASSERT_TRUE(strict.start());
    settings.port = strictPort;
    answer = mqttSendOnce(settings, "9.9.9", r, 5s);
    EXPECT_FALSE(answer.ok);
    EXPECT_EQ(answer.text, "the broker at 127.0.0.1:" + std::to_string(strictPort) +
                               " refused the connection: Connection Refused: not authorised.");
}

TEST_F(MqttBroker, TheLastWillSaysOfflineWhenThePublisherVanishes) {
    testing::TempDir dir;
    const int port = testing::freeLoopbackPort();
    Broker broker(dir, port);
    ASSERT_TRUE(broker.start());

    // A second process that connects and then dies without a word. It forks before this process
    // starts any thread of its own.
    const pid_t child = ::fork();
    if (child == 0) {
        MqttSettings settings;
        settings.host = "127.0.0.1";
        settings.port = port;
        settings.topicPrefix = "wx";
        settings.clientId = "nimbrel-test-2";
        settings.discovery = false;
        MqttPublisher publisher(settings, "9.9.9");
        publisher.start();
        const bool connected = waitUntil([&] { return publisher.connected(); }, 10s);
        std::this_thread::sleep_for(300ms);
        ::_exit(connected ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // Retained: a subscriber that comes afterwards learns it too.
    Subscriber subscriber(port);
    EXPECT_EQ(subscriber.waitFor("wx/availability", "offline"), "offline");
}

// A broker whose certificate the CA file did not sign, or that names another host, is said to be so at
// once, every time, wherever the handshake fails (inside the connect or later on the network thread).
// The TLS listener is on every address of "localhost" (127.0.0.1, and ::1 where the hosts file names it
// too), as the client tries them.
TEST_F(MqttBroker, ABrokerCertificateThatIsNotTrustedIsSaidAtOnceEveryTime) {
    testing::TempDir dir;
    ASSERT_TRUE(makeCertificates(dir)) << "the openssl tool is missing or failed";
    const int port = testing::freeLoopbackPort();
    int tlsPort = testing::freeLoopbackPort();
    while (tlsPort == port) tlsPort = testing::freeLoopbackPort();
    Broker broker(dir, port, true,
                  "listener " + std::to_string(tlsPort) + " localhost\ncafile " + (dir / "ca.pem").string() +
                      "\ncertfile " + (dir / "broker.pem").string() + "\nkeyfile " + (dir / "broker.key").string() + "\n");
    ASSERT_TRUE(broker.start());
    MqttSettings settings;
    settings.host = "localhost";
    settings.port = tlsPort;
    settings.tls = true;
    settings.caFile = (dir / "other.pem").string();
    settings.discovery = false;
    OutputReading r;
    r.time = 1765228410;
    r.values = {{"outdoor_temperature", 5.3, false}};
    const std::string where = ":" + std::to_string(tlsPort) + " is not trusted by ";
    for (int i = 0; i < 10; ++i) {
        const auto before = std::chrono::steady_clock::now();
        EXPECT_EQ(mqttSendOnce(settings, "9.9.9", r, 5s).text,
                  "the certificate of the broker at localhost" + where + settings.caFile + ", or it does not name localhost")
            << i;
        EXPECT_LT(std::chrono::steady_clock::now() - before, 2s) << i;
    }
    settings.caFile = (dir / "ca.pem").string();
    settings.host = "127.0.0.1"; // the certificate names localhost only
    EXPECT_EQ(mqttSendOnce(settings, "9.9.9", r, 5s).text,
              "the certificate of the broker at 127.0.0.1" + where + settings.caFile + ", or it does not name 127.0.0.1");
    settings.host = "localhost";
    EXPECT_TRUE(mqttSendOnce(settings, "9.9.9", r, 5s).ok);

    // The logger says it once, though its network thread tries again and again.
    settings.caFile = (dir / "other.pem").string();
    std::mutex mutex;
    std::vector<std::string> said;
    MqttPublisher publisher(settings, "9.9.9", [&](const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex);
        said.push_back(text);
    });
    publisher.start();
    std::this_thread::sleep_for(3500ms); // the first try and two more, a second and two seconds later
    publisher.stop();
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(said, std::vector<std::string>{"MQTT: the certificate of the broker at localhost" + where + settings.caFile +
                                             ", or it does not name localhost; retrying"});
}

// Every stored record goes out once, in order, from the position the broker acknowledged: after an
// outage of the broker and across a restart of the program alike. Each alert is a binary sensor.
TEST_F(MqttBroker, StoredRecordsGoOutOnceInOrderAfterAnOutageAndARestartAndAlertsAreBinarySensors) {
    testing::HourlyHistory history;
    history.store(40, 45);
    history.keepPosition(42);
    const int port = testing::freeLoopbackPort();
    // The broker keeps the subscriber's session across its restart.
    Broker broker(history.dir, port, true,
                  "persistence true\npersistence_location " + history.dir.path().string() + "/\n");
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(port, "nimbrel-test-archive", true);
    ASSERT_TRUE(subscriber.waitSubscribed());

    MqttSettings settings;
    settings.host = "127.0.0.1";
    settings.port = port;
    settings.topicPrefix = "wx";
    settings.clientId = "nimbrel-test.records";
    settings.positionFile = history.position;
    settings.alertSensors = {{"outdoor_temperature_high", "Outdoor Temperature High", "heat"}};
    MqttPublisher* publisher = nullptr;
    const auto startQueue = [&] {
        std::vector<std::unique_ptr<Output>> outputs;
        outputs.push_back(std::make_unique<MqttPublisher>(settings, "9.9.9", nullptr, history.file, history.clock));
        publisher = static_cast<MqttPublisher*>(outputs.front().get());
        auto queue = std::make_unique<OutputQueue>(std::move(outputs));
        queue->start();
        return queue;
    };
    const auto ids = [&](std::size_t count) {
        std::vector<std::string> found;
        for (const std::string& payload : subscriber.all("wx/record", count))
            found.push_back(payload.substr(0, payload.find(',')));
        return found;
    };
    auto queue = startQueue();
    EXPECT_EQ(ids(3), (std::vector<std::string>{R"({"id":4)", R"({"id":5)", R"({"id":6)"}));
    EXPECT_EQ(subscriber.all("wx/record", 1).front().substr(0, 48),
              R"({"id":4,"time":"2026-03-02T19:00:00Z","outdoor_t)");

    // The broker goes away; the records stored meanwhile follow once it is back.
    broker.stop(SIGTERM);
    ASSERT_TRUE(waitUntil([&] { return !publisher->connected(); }, 10s));
    history.store(46, 47);
    queue->newRecords({WeatherSample()});
    ASSERT_TRUE(broker.start());
    EXPECT_EQ(ids(5).size(), 5u);

    // Stopped (the position kept) and started again: nothing twice, and the next record once.
    queue->stop();
    queue = startQueue();
    history.store(48, 48);
    queue->newRecords({WeatherSample()});
    EXPECT_EQ(ids(6), (std::vector<std::string>{R"({"id":4)", R"({"id":5)", R"({"id":6)", R"({"id":7)",
                                                R"({"id":8)", R"({"id":9)"}));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(ids(0).size(), 6u);

    // An alert crossed three times: three ON and three OFF, retained, beside its discovery; the station
    // problem keeps the sensor it has.
    const std::string config = subscriber.all(
        "homeassistant/binary_sensor/nimbrel-test_records/alert_outdoor_temperature_high/config", 1).at(0);
    EXPECT_NE(config.find(R"("state_topic":"wx/alert/outdoor_temperature_high","device_class":"heat")"),
              std::string::npos)
        << config;
    for (int i = 0; i < 3; ++i)
        for (const bool on : {true, false}) queue->alert({"outdoor_temperature_high", on});
    queue->alert({"station_problem", true});
    EXPECT_EQ(subscriber.all("wx/alert/outdoor_temperature_high", 6),
              (std::vector<std::string>{"ON", "OFF", "ON", "OFF", "ON", "OFF"}));
    EXPECT_TRUE(subscriber.all("wx/alert/station_problem", 0).empty());
    queue->stop();
}

} // namespace
} // namespace nimbrel
