#include "outputs/weather_upload.h"

#include "outputs/network_libraries.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace nimbrel {
namespace {

constexpr std::size_t kLongestKeptAnswer = 4096;
constexpr std::size_t kLongestShownAnswer = 120;

// libcurl, loaded and set up once; false, with why, when it cannot be loaded.
bool curlReady(std::string& failure) {
    static const std::string loadFailure = [] {
        std::string why;
        if (loadCurl(why)) curlApi().curl_global_init(CURL_GLOBAL_DEFAULT);
        return why;
    }();
    failure = loadFailure;
    return failure.empty();
}

std::optional<double> valueOf(const OutputReading& reading, std::string_view name) {
    for (const OutputValue& v : reading.values)
        if (v.name == name) return v.value;
    return std::nullopt;
}

// Rounded half away from zero to `decimals` places; never "-0.0".
std::string rounded(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    double r = std::round(value * scale) / scale;
    if (r == 0) r = 0;
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, r);
    return text;
}

// Percent-encoding of everything but the unreserved characters of a URL, as a query value needs; a
// server may echo it with small hex digits, or with '+' for a blank, as a form would send it.
std::string escaped(std::string_view text, std::string_view hex = "0123456789ABCDEF", bool plusForBlank = false) {
    std::string result;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved) {
            result += c;
        } else if (c == ' ' && plusForBlank) {
            result += '+';
        } else {
            result += '%';
            result += hex[byte >> 4];
            result += hex[byte & 0x0F];
        }
    }
    return result;
}

size_t keepAnswer(char* data, size_t size, size_t count, void* target) {
    auto& answer = *static_cast<std::string*>(target);
    const size_t n = size * count;
    if (answer.size() < kLongestKeptAnswer) answer.append(data, std::min(n, kLongestKeptAnswer - answer.size()));
    return n;
}

// The transfer, looking at `interrupted` every tenth of a second, so a stop waits no longer than that
// for a server that does not answer. CURLE_ABORTED_BY_CALLBACK when it was interrupted.
CURLcode perform(CURL* curl, const std::atomic<bool>* interrupted) {
    CURLM* multi = curlApi().curl_multi_init();
    if (!multi) return CURLE_OUT_OF_MEMORY;
    curlApi().curl_multi_add_handle(multi, curl);
    CURLcode result = CURLE_OK;
    for (int running = 1; running > 0;) {
        if (interrupted && interrupted->load()) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        if (curlApi().curl_multi_perform(multi, &running) != CURLM_OK ||
            (running > 0 && curlApi().curl_multi_poll(multi, nullptr, 0, 100, nullptr) != CURLM_OK)) {
            result = CURLE_FAILED_INIT;
            break;
        }
    }
    if (result == CURLE_OK) {
        int left = 0;
        while (CURLMsg* message = curlApi().curl_multi_info_read(multi, &left))
            if (message->msg == CURLMSG_DONE) result = message->data.result;
    }
    curlApi().curl_multi_remove_handle(multi, curl);
    curlApi().curl_multi_cleanup(multi);
    return result;
}

// The answer's first line, short and printable, without the password should a server echo it: as it
// was sent (escaped), in the other spellings of that escape, or as the user typed it.
std::string shownAnswer(const std::string& body, const std::string& password) {
    std::string line = body.substr(0, body.find_first_of("\r\n"));
    const std::size_t start = line.find_first_not_of(" \t");
    line = start == std::string::npos ? std::string() : line.substr(start);
    if (!password.empty()) {
        const std::string forms[] = {escaped(password), escaped(password, "0123456789abcdef"),
                                     escaped(password, "0123456789ABCDEF", true),
                                     escaped(password, "0123456789abcdef", true), password};
        // Searched on after each "***": a password such as "*" would otherwise be found in it forever.
        for (const std::string& form : forms)
            for (std::size_t at = line.find(form); at != std::string::npos; at = line.find(form, at + 3))
                line.replace(at, form.size(), "***");
    }
    if (line.size() > kLongestShownAnswer) line = line.substr(0, kLongestShownAnswer) + "...";
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return line;
}

struct CurlDeleter {
    void operator()(CURL* curl) const { curlApi().curl_easy_cleanup(curl); }
};

} // namespace

std::string uploadQuery(const UploadSettings& settings, const OutputReading& reading, const std::string& softwareType) {
    std::vector<std::pair<const char*, std::string>> fields = {
        {"ID", settings.id}, {"PASSWORD", settings.password}, {"dateutc", utcText(reading.time, "%Y-%m-%d %H:%M:%S")}};
    const auto add = [&](const char* key, const char* name, auto convert, int decimals) {
        if (const std::optional<double> v = valueOf(reading, name)) fields.emplace_back(key, rounded(convert(*v), decimals));
    };
    const auto fahrenheit = [](double c) { return c * 9.0 / 5.0 + 32.0; };
    const auto same = [](double x) { return x; };
    const auto inchesOfMercury = [](double hPa) { return hPa / 33.86389; };
    const auto mph = [](double metresPerSecond) { return metresPerSecond / 0.44704; };
    const auto inches = [](double mm) { return mm / 25.4; };
    add("tempf", "outdoor_temperature", fahrenheit, 1);
    add("humidity", "outdoor_humidity", same, 0);
    add("dewptf", "dew_point", fahrenheit, 1);
    add("baromin", "relative_pressure", inchesOfMercury, 3);
    add("windspeedmph", "wind_speed", mph, 1);
    add("windgustmph", "wind_gust", mph, 1);
    add("winddir", "wind_direction", same, 0);
    add("rainin", "rain_hour", inches, 3);
    add("dailyrainin", "rain_today", inches, 3);
    add("indoortempf", "indoor_temperature", fahrenheit, 1);
    add("indoorhumidity", "indoor_humidity", same, 0);
    fields.emplace_back("action", "updateraw");
    fields.emplace_back("softwaretype", softwareType);

    std::string query;
    for (const auto& [key, value] : fields) {
        if (!query.empty()) query += '&';
        query += key;
        query += '=';
        query += escaped(value);
    }
    return query;
}

std::string uploadSoftwareType(const std::string& softwareVersion) {
    return "Nimbrel-" + softwareVersion;
}

std::string uploadHost(const std::string& url) {
    std::string host = "the upload server";
    if (std::string failure; !curlReady(failure)) return host;
    CURLU* parsed = curlApi().curl_url();
    char* part = nullptr;
    if (parsed && curlApi().curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
        curlApi().curl_url_get(parsed, CURLUPART_HOST, &part, 0) == CURLUE_OK && part)
        host = part;
    curlApi().curl_free(part);
    curlApi().curl_url_cleanup(parsed);
    return host;
}

OutputAnswer uploadOnce(const UploadSettings& settings, const OutputReading& reading, const std::string& softwareType,
                        std::chrono::milliseconds timeout, const std::atomic<bool>* interrupted) {
    if (std::string failure; !curlReady(failure)) return {false, failure};
    const std::string host = uploadHost(settings.url);
    std::unique_ptr<CURL, CurlDeleter> curl(curlApi().curl_easy_init());
    if (!curl) return {false, "could not set up a connection to " + host};
    const std::string url =
        settings.url + (settings.url.find('?') == std::string::npos ? "?" : "&") + uploadQuery(settings, reading, softwareType);
    std::string body;
    CURL* c = curl.get();
    curlApi().curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curlApi().curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curlApi().curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curlApi().curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()));
    curlApi().curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeout.count()));
    curlApi().curl_easy_setopt(c, CURLOPT_USERAGENT, softwareType.c_str());
    curlApi().curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &keepAnswer);
    curlApi().curl_easy_setopt(c, CURLOPT_WRITEDATA, &body);
    const CURLcode result = perform(c, interrupted);
    if (result == CURLE_ABORTED_BY_CALLBACK) return {false, "the upload to " + host + " was stopped"};
    if (result != CURLE_OK) return {false, host + " did not answer: " + curlApi().curl_easy_strerror(result)};

    long code = 0;
    curlApi().curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &code);
    const std::string line = shownAnswer(body, settings.password);
    if (code == 200 && line.rfind("success", 0) == 0) return {true, host + " answered success"};
    std::string text = host + " answered";
    if (code != 200) text += " HTTP " + std::to_string(code);
    text += line.empty() ? " with an empty page" : ": " + line;
    return {false, text};
}

WeatherUpload::WeatherUpload(UploadSettings settings, std::string softwareType,
                             std::function<void(const std::string&)> status, std::chrono::milliseconds timeout,
                             std::string historyFile, Clock& clock)
    : settings_(std::move(settings)), softwareType_(std::move(softwareType)), status_(std::move(status)),
      timeout_(timeout), historyFile_(std::move(historyFile)), clock_(clock) {}

void WeatherUpload::start() {
    interrupted_ = false;
    if (historyFile_.empty() || feed_) return;
    feed_.emplace(historyFile_, settings_.positionFile, settings_.catchupDays, clock_, [this](const std::string& text) {
        if (status_) status_(std::string(kName) + ": " + text);
    });
    feed_->begin();
    behind_ = true;
}

std::optional<std::chrono::milliseconds> WeatherUpload::catchUp() {
    if (!feed_ || !behind_ || interrupted_) return std::nullopt;
    const std::vector<StoredRecord> next = feed_->after(feed_->position(), 1);
    if (next.empty()) {
        behind_ = false;
        if (caughtUp_ > 0 && status_)
            status_(std::string(kName) + ": caught up; " + std::to_string(caughtUp_) +
                    (caughtUp_ == 1 ? " stored record" : " stored records") + " sent");
        caughtUp_ = 0;
        return std::nullopt;
    }
    const StoredRecord& record = next.front();
    ++attempts_;
    const OutputAnswer answer = uploadOnce(settings_, record.reading, softwareType_, timeout_, &interrupted_);
    if (interrupted_) return std::nullopt;
    if (!answer.ok) {
        if (!catchUpFailing_ && status_)
            status_(std::string(kName) + ": " + answer.text + "; the stored records from " +
                    record.position.sampleTime + " on are sent once it answers");
        catchUpFailing_ = true;
        const std::chrono::seconds pause = catchUpPause_;
        catchUpPause_ = std::min(catchUpPause_ * 2, std::chrono::seconds(kRetryPauseSeconds));
        return pause;
    }
    if (caughtUp_ == 0 && status_)
        status_(std::string(kName) + ": sending the stored records from " + record.position.sampleTime + " on");
    ++caughtUp_;
    catchUpFailing_ = false;
    catchUpPause_ = kFirstCatchUpPause;
    feed_->keep(record.position);
    return kCatchUpSpacing;
}

void WeatherUpload::publish(const OutputReading& reading) {
    if (reading.stored) return;
    const std::time_t t = reading.time;
    // Times that went backwards (a clock set back) start the count again.
    if (lastSuccess_ && t >= *lastSuccess_ && t - *lastSuccess_ < settings_.intervalSeconds) return;
    if (lastFailure_ && t >= *lastFailure_ && t - *lastFailure_ < kRetryPauseSeconds) return;
    ++attempts_;
    const OutputAnswer answer = uploadOnce(settings_, reading, softwareType_, timeout_, &interrupted_);
    if (interrupted_) return;
    if (answer.ok) {
        lastSuccess_ = t;
        lastFailure_.reset();
        // The server has a reading of now: every record stored until now is had, unless records of an
        // outage are still to be sent (then they go on from where they are).
        if (feed_ && !behind_)
            if (const std::optional<RecordPosition> newest = feed_->newest()) feed_->keep(*newest);
        if (!reportedOk_ && status_) status_(std::string(kName) + ": " + answer.text);
        reportedOk_ = true;
    } else {
        lastFailure_ = t;
        reportedOk_ = false;
        behind_ = true;
        if (status_) status_(std::string(kName) + ": " + answer.text + "; trying again with a later reading");
    }
}

} // namespace nimbrel
