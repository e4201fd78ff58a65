// WeatherUpload: the Output that sends readings to a weather network by the personal-weather-station
// upload protocol (one HTTP GET per upload), through libcurl.
#pragma once

#include "outputs/output.h"
#include "outputs/output_settings.h"
#include "outputs/record_feed.h"
#include "station/clock.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

namespace nimbrel {

// The query of one upload (without the '?'): ID, PASSWORD, dateutc, the values the reading has, then
// action=updateraw and softwaretype; every value escaped by libcurl. The values are converted
// exactly and then rounded half away from zero: temperatures to 0.1 °F (a station's 0.1 °C is 0.18 °F,
// so nothing is lost), pressure to 0.001 inHg (0.1 hPa is 0.003 inHg; 1 inHg = 33.86389 hPa), wind
// to 0.1 mph (0.1 m/s is 0.22 mph; 1 mph = 0.44704 m/s), rain to 0.001 in (0.1 mm is 0.004 in;
// 1 in = 25.4 mm), the direction to whole degrees, the humidity as it is. A value the reading lacks
// is left out. `rainin` is the rain of the last hour and `dailyrainin` the rain since local midnight.
std::string uploadQuery(const UploadSettings& settings, const OutputReading& reading, const std::string& softwareType);

// "Nimbrel-0.1.0": how the upload names this program.
std::string uploadSoftwareType(const std::string& softwareVersion);

// The host of an address ("weather.example"), for status texts: the address itself may carry a key.
std::string uploadHost(const std::string& url);

// Sends one reading and waits for the answer, at most `timeout`; `interrupted`, when set, is asked
// now and then and ends the wait early. Only http and https are used, https checked against the
// system's certificates; redirections are not followed. Success is an HTTP 200 whose body begins with
// "success".
OutputAnswer uploadOnce(const UploadSettings& settings, const OutputReading& reading, const std::string& softwareType,
                        std::chrono::milliseconds timeout, const std::atomic<bool>* interrupted = nullptr);

class WeatherUpload final : public Output {
public:
    static constexpr std::chrono::seconds kTimeout{20};
    // After a failure the next reading tries again, but never sooner than this after the failed try.
    static constexpr std::time_t kRetryPauseSeconds = 60;

    // Stored records that the server never took go at most one per this, in real time.
    static constexpr std::chrono::seconds kCatchUpSpacing{2};
    // After a failed record, the next try waits this long, doubling up to kRetryPauseSeconds.
    static constexpr std::chrono::seconds kFirstCatchUpPause{5};

    // `status` hears of the first success, of every failure and of the first success after failures.
    // With `historyFile` the records stored while the server could not be reached are sent afterwards.
    WeatherUpload(UploadSettings settings, std::string softwareType,
                  std::function<void(const std::string&)> status = {},
                  std::chrono::milliseconds timeout = kTimeout, std::string historyFile = {},
                  Clock& clock = systemClock());

    static constexpr const char* kName = "Upload";
    std::string name() const override { return kName; }
    void start() override;
    // Live readings, at most once per interval by their times.
    void publish(const OutputReading& reading) override;
    // The stored records after the last one the server took, oldest first, each with its own time and
    // rain, once a live reading or a record failed (or the program started): what a success of a live
    // reading covers otherwise. It ends when no record is left to send.
    std::optional<std::chrono::milliseconds> catchUp() override;
    void interrupt() override { interrupted_ = true; }
    void stop() override {}

    unsigned long long attempts() const { return attempts_.load(); }

private:
    UploadSettings settings_;
    std::string softwareType_;
    std::function<void(const std::string&)> status_;
    std::chrono::milliseconds timeout_;
    std::atomic<bool> interrupted_{false};
    std::atomic<unsigned long long> attempts_{0};
    std::optional<std::time_t> lastSuccess_;
    std::optional<std::time_t> lastFailure_;
    bool reportedOk_ = false;
    // The catch-up, on the outputs' thread only.
    std::string historyFile_;
    Clock& clock_;
    std::optional<RecordFeed> feed_;
    bool behind_ = true;
    std::chrono::seconds catchUpPause_ = kFirstCatchUpPause;
    bool catchUpFailing_ = false;
    unsigned long long caughtUp_ = 0; // records sent in this catch-up
};

} // namespace nimbrel
