#include "outputs/record_feed.h"

#include "presentation/time_text.h"
#include "station/local_stamp.h"
#include "store/replacing_file.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <cmath>
#include <fstream>
#include <sstream>

namespace nimbrel {
namespace {

using W = WeatherSample;

constexpr std::size_t kStampLength = 19; // "YYYY-MM-DD HH:MM:SS"
constexpr std::size_t kDateLength = 10;
// Records of the day before the oldest one sent, read for its rain since midnight: a day at one record a
// minute, and some.
constexpr std::size_t kMostRainContext = 1600;

std::optional<double> rainTotalOf(const WeatherSample& record) {
    const std::string& text = record[W::totalRain];
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

bool isStamp(const std::string& text) {
    return text.size() == kStampLength && text[4] == '-' && text[7] == '-' && text[10] == ' ' && text[13] == ':' &&
           text[16] == ':';
}

} // namespace

std::string positionText(const RecordPosition& position) {
    return position.sampleTime + '\t' + position.hexAdd + '\n';
}

std::optional<RecordPosition> positionFromText(const std::string& text) {
    const std::size_t tab = text.find('\t');
    if (tab == std::string::npos) return std::nullopt;
    RecordPosition position{text.substr(0, tab), text.substr(tab + 1)};
    while (!position.hexAdd.empty() && (position.hexAdd.back() == '\n' || position.hexAdd.back() == '\r'))
        position.hexAdd.pop_back();
    if (!isStamp(position.sampleTime) || position.hexAdd.find_first_of("\t\n") != std::string::npos)
        return std::nullopt;
    return position;
}

RecordFeed::RecordFeed(std::string historyFile, std::string positionFile, int catchupDays, Clock& clock,
                       std::function<void(const std::string&)> say)
    : store_(std::move(historyFile), clock), positionFile_(std::move(positionFile)), catchupDays_(catchupDays),
      clock_(clock), say_(std::move(say)) {}

void RecordFeed::begin() {
    if (!positionFile_.empty()) {
        std::ifstream in(positionFile_);
        std::ostringstream text;
        text << in.rdbuf();
        if (const std::optional<RecordPosition> kept = positionFromText(text.str())) {
            position_ = *kept;
            return;
        }
    }
    keep(newest().value_or(RecordPosition{localStampText(clock_.nowSeconds()), ""}));
}

std::optional<RecordPosition> RecordFeed::newest() {
    WeatherSample last;
    if (!store_.readLastRecord(last) || !isStamp(last[W::sampleTime])) return std::nullopt;
    return RecordPosition{last[W::sampleTime], last[W::hexAdd]};
}

std::vector<StoredRecord> RecordFeed::after(const RecordPosition& from, std::size_t most) {
    const std::string bound = localStampText(clock_.nowSeconds() - static_cast<std::time_t>(catchupDays_) * 86400);
    std::vector<WeatherSample> fresh;   // newest first
    std::vector<WeatherSample> context; // the records before them, newest first, for the rain of their day
    bool found = false;
    bool done = false; // the records to send are all seen
    std::string oldestDate;
    const auto sampledAfterFrom = [&](const WeatherSample& r) { return r[W::sampleTime] > from.sampleTime; };
    store_.readBackward([&](const WeatherSample& record) {
        const std::string& time = record[W::sampleTime];
        if (!done) {
            found = !from.hexAdd.empty() && time == from.sampleTime && record[W::hexAdd] == from.hexAdd;
            if (!found && time >= bound) {
                fresh.push_back(record);
                return true;
            }
            done = true;
            // A position that is gone, or a moment, leaves the records sampled after its time.
            if (!found) std::erase_if(fresh, [&](const WeatherSample& r) { return !sampledAfterFrom(r); });
            if (fresh.empty()) return false;
            oldestDate = fresh.back()[W::sampleTime].substr(0, kDateLength);
        }
        context.push_back(record);
        return time.compare(0, kDateLength, oldestDate) >= 0 && context.size() < kMostRainContext;
    });
    if (!done) std::erase_if(fresh, [&](const WeatherSample& r) { return !sampledAfterFrom(r); });

    // Forward through the context and the new records: the rain since midnight is what the running
    // total gained from the day's first record on (a total that went back, a station reset, gains nothing).
    std::vector<StoredRecord> result;
    std::optional<double> previousTotal;
    std::string day;
    double today = 0;
    const auto walk = [&](const WeatherSample& record, bool wanted) {
        const std::string date = record[W::sampleTime].substr(0, kDateLength);
        const std::optional<double> total = rainTotalOf(record);
        // What fell between the day's last record and the next day's first is the old day's.
        if (date != day) {
            day = date;
            today = 0;
        } else if (total && previousTotal && *total > *previousTotal) {
            today += *total - *previousTotal;
        }
        if (total) previousTotal = total;
        if (!wanted || result.size() >= most) return;
        const std::time_t time = parseLocalTime(record[W::sampleTime]);
        if (time == static_cast<std::time_t>(-1)) return;
        // The day's rain is known when the history reaches back before its midnight.
        const bool dayKnown = !context.empty() && context.back()[W::sampleTime].compare(0, kDateLength, date) < 0;
        std::optional<double> sinceMidnight;
        if (dayKnown) sinceMidnight = today;
        result.push_back({{record[W::sampleTime], record[W::hexAdd]},
                          record[W::ID],
                          outputReadingOf(record, time, true, sinceMidnight)});
    };
    for (auto it = context.rbegin(); it != context.rend(); ++it) walk(*it, false);
    for (auto it = fresh.rbegin(); it != fresh.rend() && result.size() < most; ++it) walk(*it, true);
    return result;
}

void RecordFeed::keep(const RecordPosition& position) {
    position_ = position;
    if (positionFile_.empty()) return;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(positionFile_).parent_path(), ignored);
    ReplacingFile file(positionFile_, ".new.");
    const bool failed = !(file.open(0644) && file.write(positionText(position_)) && file.commit());
    if (failed && !keepFailed_ && say_)
        say_("cannot keep the position in " + positionFile_ + ": " + file.failure() +
             "; a restart may send some records again");
    keepFailed_ = failed;
}

} // namespace nimbrel
