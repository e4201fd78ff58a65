// The weather-network upload: the query's bytes, and a small HTTP server on 127.0.0.1 that answers
// success, answers an error, or never answers.
#include "outputs/weather_upload.h"
#include "tests/support/hourly_history.h"
#include "tests/support/local_http_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace nimbrel {
namespace {

using namespace std::chrono_literals;
using testing::LocalHttpServer;

OutputReading fullReading() {
    OutputReading r;
    r.time = 1765228410; // 2025-12-08 21:13:30 UTC
    r.values = {{"indoor_temperature", 21.4, false}, {"indoor_humidity", 45, true},
                {"outdoor_temperature", 5.3, false},
                {"outdoor_humidity", 87, true},      {"dew_point", 3.2, false},
                {"absolute_pressure", 1012.3, false}, {"relative_pressure", 1019.8, false},
                {"wind_speed", 2.4, false},          {"wind_gust", 4.1, false},
                {"wind_direction", 112.5, false},    {"rain_hour", 0.3, false},
                {"rain_today", 1.2, false},          {"rain_24h", 9.9, false}};
    return r;
}

UploadSettings settingsFor(const std::string& url) {
    UploadSettings s;
    s.url = url;
    s.id = "KXY 1&2";
    s.password = "p@ss=w rd";
    return s;
}

const std::string kExpectedQuery =
    "ID=KXY%201%262&PASSWORD=p%40ss%3Dw%20rd&dateutc=2025-12-08%2021%3A13%3A30&tempf=41.5&humidity=87&"
    "dewptf=37.8&baromin=30.115&windspeedmph=5.4&windgustmph=9.2&winddir=113&rainin=0.012&dailyrainin=0.047&"
    "indoortempf=70.5&indoorhumidity=45&"
    "action=updateraw&softwaretype=Nimbrel-9.9.9";

TEST(WeatherUpload, QueryValuesConvertedRoundedAndEscaped) {
    EXPECT_EQ(uploadQuery(settingsFor("http://x/"), fullReading(), "Nimbrel-9.9.9"), kExpectedQuery);

    // -17.8 °C is -0.04 °F: rounded to 0.0, not "-0.0". What the reading lacks is left out.
    OutputReading cold;
    cold.time = 0;
    cold.values = {{"outdoor_temperature", -17.8, false}, {"wind_direction", 337.5, false}};
    UploadSettings plain;
    plain.id = "A";
    plain.password = "B";
    EXPECT_EQ(uploadQuery(plain, cold, "N"),
              "ID=A&PASSWORD=B&dateutc=1970-01-01%2000%3A00%3A00&tempf=0.0&winddir=338&action=updateraw&softwaretype=N");
}

TEST(WeatherUpload, SuccessErrorAndSilenceFromARealServer) {
    LocalHttpServer ok("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nsuccess\n");
    OutputAnswer answer = uploadOnce(settingsFor(ok.url("/wx/update.php")), fullReading(), "Nimbrel-9.9.9", 5s);
    EXPECT_TRUE(answer.ok);
    EXPECT_EQ(answer.text, "127.0.0.1 answered success");
    EXPECT_EQ(ok.requests(), (std::vector<std::string>{"GET /wx/update.php?" + kExpectedQuery + " HTTP/1.1"}));

    // An address with a query of its own keeps it; ours follows.
    uploadOnce(settingsFor(ok.url("/u?key=1")), fullReading(), "Nimbrel-9.9.9", 5s);
    EXPECT_EQ(ok.requests().back(), "GET /u?key=1&" + kExpectedQuery + " HTTP/1.1");

    // An error, with the password echoed back: the text names the status and hides the password.
    LocalHttpServer refusing("HTTP/1.0 401 Unauthorized\r\n\r\nbad password p@ss=w rd for KXY\n");
    answer = uploadOnce(settingsFor(refusing.url("/")), fullReading(), "Nimbrel-9.9.9", 5s);
    EXPECT_FALSE(answer.ok);
    EXPECT_EQ(answer.text, "127.0.0.1 answered HTTP 401: bad password *** for KXY");
    // A page that echoes the request shows the password as it was sent, escaped: hidden too, and so are
    // the other spellings of the same escape (small hex digits, '+' for a blank).
    for (const char* page : {"{request}", "GET /?ID=K&PASSWORD=p%40ss%3dw+rd"}) {
        LocalHttpServer echoing("HTTP/1.0 401 Unauthorized\r\n\r\n" + std::string(page) + "\n");
        answer = uploadOnce(settingsFor(echoing.url("/")), fullReading(), "Nimbrel-9.9.9", 5s);
        EXPECT_NE(answer.text.find("PASSWORD=***"), std::string::npos) << answer.text;
        EXPECT_EQ(answer.text.find("ss"), std::string::npos) << answer.text;
    }
    LocalHttpServer starred("HTTP/1.0 401 Unauthorized\r\n\r\nnot * here\n");
    UploadSettings star = settingsFor(starred.url("/"));
    star.password = "*"; // found again in its own "***": hidden once, and the answer comes back
    EXPECT_EQ(uploadOnce(star, fullReading(), "N", 5s).text, "127.0.0.1 answered HTTP 401: not *** here");

    // 200 without "success" is no success.
    LocalHttpServer odd("HTTP/1.0 200 OK\r\n\r\nINVALIDPASSWORDID|Password or key and/or id are incorrect\n");
    answer = uploadOnce(settingsFor(odd.url("/")), fullReading(), "Nimbrel-9.9.9", 5s);
    EXPECT_FALSE(answer.ok);
    EXPECT_EQ(answer.text, "127.0.0.1 answered: INVALIDPASSWORDID|Password or key and/or id are incorrect");

    LocalHttpServer silent("");
    const auto before = std::chrono::steady_clock::now();
    answer = uploadOnce(settingsFor(silent.url("/")), fullReading(), "Nimbrel-9.9.9", 300ms);
    const auto took = std::chrono::steady_clock::now() - before;
    EXPECT_FALSE(answer.ok);
    EXPECT_EQ(answer.text, "127.0.0.1 did not answer: Timeout was reached");
    EXPECT_GE(took, 250ms); // libcurl measures its own time, a little apart from ours
    EXPECT_LT(took, 2s);
}

TEST(WeatherUpload, OncePerIntervalAndAFailureRetriedAMinuteLaterAtTheEarliest) {
    LocalHttpServer failing("HTTP/1.0 500 Internal Server Error\r\n\r\n");
    std::vector<std::string> said;
    UploadSettings settings = settingsFor(failing.url("/"));
    settings.intervalSeconds = 300;
    WeatherUpload failingUpload(settings, "N", [&](const std::string& text) { said.push_back(text); }, 5s);
    OutputReading r = fullReading();
    for (std::time_t t : {1000, 1030, 1059, 1060, 1061, 1120}) {
        r.time = t;
        failingUpload.publish(r);
    }
    EXPECT_EQ(failingUpload.attempts(), 3u); // 1000, 1060, 1120
    ASSERT_EQ(said.size(), 3u);
    EXPECT_EQ(said[0], "Upload: 127.0.0.1 answered HTTP 500 with an empty page; trying again with a later reading");

    LocalHttpServer ok("HTTP/1.0 200 OK\r\n\r\nsuccess");
    said.clear();
    WeatherUpload upload(settingsFor(ok.url("/")), "N", [&](const std::string& text) { said.push_back(text); }, 5s);
    for (std::time_t t : {1000, 1299, 1300, 1301, 1599, 1600}) {
        r.time = t;
        upload.publish(r);
    }
    r.time = 1700;
    r.stored = true; // a stored record is not sent
    upload.publish(r);
    EXPECT_EQ(upload.attempts(), 3u); // 1000, 1300, 1600
    EXPECT_EQ(said, (std::vector<std::string>{"Upload: 127.0.0.1 answered success"}));
}

TEST(WeatherUpload, AnInterruptEndsTheWaitForASilentServer) {
    LocalHttpServer silent("");
    WeatherUpload upload(settingsFor(silent.url("/")), "N", {}, 20s);
    std::thread stopper([&] {
        std::this_thread::sleep_for(200ms);
        upload.interrupt();
    });
    const auto before = std::chrono::steady_clock::now();
    upload.publish(fullReading());
    EXPECT_LT(std::chrono::steady_clock::now() - before, 700ms); // 200 ms, then a tenth of a second at most
    stopper.join();
}

// The records stored while the server could not be reached follow once it answers, oldest first, each
// with its own time, spaced out, and from where a restart left off.
TEST(WeatherUpload, StoredRecordsTheServerNeverTookFollowInOrderAndARestartGoesOnWhereItStopped) {
    testing::HourlyHistory history;
    history.store(40, 50);
    history.keepPosition(46);
    LocalHttpServer down("HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\n\r\n");
    LocalHttpServer server("HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\nsuccess\n");
    const auto dateOf = [](const std::string& request) {
        const std::size_t at = request.find("dateutc=") + 8;
        return request.substr(at, request.find('&', at) - at);
    };
    std::vector<std::string> said;
    const auto uploadTo = [&](const LocalHttpServer& to) {
        UploadSettings s = settingsFor(to.url("/wx"));
        s.positionFile = history.position;
        return std::make_unique<WeatherUpload>(s, "Nimbrel-9.9.9", [&](const std::string& t) { said.push_back(t); },
                                               2s, history.file, history.clock);
    };

    // Refused: the record waits, and the next try comes later and later.
    auto upload = uploadTo(down);
    upload->start();
    EXPECT_EQ(upload->catchUp(), std::chrono::milliseconds(5s));
    EXPECT_EQ(upload->catchUp(), std::chrono::milliseconds(10s));
    EXPECT_EQ(down.requests().size(), 2u);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("the stored records from 2026-03-02 23:00:00 on are sent once it answers"), std::string::npos)
        << said[0];

    // It answers: one record, then the next no sooner than 2 s later; a restart goes on after it.
    upload = uploadTo(server);
    upload->start();
    EXPECT_EQ(upload->catchUp(), std::chrono::milliseconds(2s));
    upload->stop();
    upload = uploadTo(server);
    upload->start();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(upload->catchUp(), std::chrono::milliseconds(2s));
    EXPECT_EQ(upload->catchUp(), std::nullopt); // caught up
    std::vector<std::string> dates;
    for (const std::string& request : server.requests()) dates.push_back(dateOf(request));
    EXPECT_EQ(dates, (std::vector<std::string>{"2026-03-02%2023%3A00%3A00", "2026-03-03%2000%3A00%3A00",
                                               "2026-03-03%2001%3A00%3A00", "2026-03-03%2002%3A00%3A00"}));
    EXPECT_EQ(said[1], "Upload: sending the stored records from 2026-03-02 23:00:00 on");
    EXPECT_EQ(said.back(), "Upload: caught up; 3 stored records sent");

    // Caught up, a live reading that the server takes covers every record stored until then.
    history.store(51, 52);
    OutputReading live = fullReading();
    live.time = testing::kMarch1 + 52 * 3600;
    upload->publish(live);
    upload->stop();
    EXPECT_EQ(history.dir.read("output.position"), testing::hourStamp(52) + "\t" + testing::hourAddress(52) + "\n");
}

} // namespace
} // namespace nimbrel
