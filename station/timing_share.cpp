#include "station/timing_share.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace nimbrel {
namespace {

bool writableFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

std::string madeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return {};
    return writableFolder(path) ? path : std::string();
}

// The file's name: the key's plain characters, and a check sum of the whole key so that two keys that
// differ only in the others never meet.
std::string fileNameFor(const std::string& key) {
    std::uint64_t hash = 1469598103934665603ull;
    std::string plain;
    for (const char c : key) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (plain.size() < 80) plain += keep ? c : '_';
    }
    char tail[24];
    std::snprintf(tail, sizeof tail, "-%016llx", static_cast<unsigned long long>(hash));
    return "timing-" + plain + tail;
}

long long changeStamp(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -1;
    return static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

void line(std::ostringstream& out, const char* key, double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", value);
    out << key << '=' << text << '\n';
}

} // namespace

std::string timingFolder() {
    if (const char* dir = std::getenv("NIMBREL_TIMING_DIR"); dir && *dir) return madeFolder(dir);
    if (writableFolder("/run/nimbrel")) return "/run/nimbrel";
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return madeFolder(std::string(runtime) + "/nimbrel");
    return {};
}

TimingShare::TimingShare(std::string folder, const std::string& deviceKey) {
    if (!folder.empty() && !deviceKey.empty()) path_ = folder + "/" + fileNameFor(deviceKey);
}

std::optional<TimingSnapshot> TimingShare::load() const {
    if (!active()) return std::nullopt;
    std::ifstream in(path_);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return timingFromText(text.str());
}

std::optional<TimingSnapshot> TimingShare::loadIfChanged() {
    if (!active()) return std::nullopt;
    const long long stamp = changeStamp(path_);
    if (stamp < 0 || stamp == seenStamp_) return std::nullopt;
    seenStamp_ = stamp;
    return load();
}

bool TimingShare::save(const TimingSnapshot& snapshot) {
    if (!active()) return false;
    const std::string temporary = path_ + ".new." + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << timingText(snapshot);
        if (!out.flush()) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    // Group members (the logger service and the user's window) read and replace each other's file.
    ::chmod(temporary.c_str(), 0660);
    if (std::rename(temporary.c_str(), path_.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    seenStamp_ = changeStamp(path_);
    return true;
}

std::string timingText(const TimingSnapshot& s) {
    std::ostringstream out;
    out << "# What the programs on this station learned of its timing (seconds since the epoch)\n";
    if (s.sensorMoment && s.sensorKept) {
        line(out, "sensor_moment", *s.sensorMoment);
        line(out, "sensor_spread", s.sensorSpread);
    }
    if (s.minuteMoment && s.minuteKept) {
        line(out, "minute_moment", *s.minuteMoment);
        line(out, "minute_spread", s.minuteSpread);
    }
    if (s.loggingMoment) line(out, "logging_moment", *s.loggingMoment);
    out << "interval=" << s.intervalMinutes << '\n';
    line(out, "learned_at", s.learnedAt);
    line(out, "drift", s.driftPerDay);
    return out.str();
}

std::optional<TimingSnapshot> timingFromText(const std::string& text) {
    TimingSnapshot s;
    std::istringstream in(text);
    std::string row;
    bool learned = false;
    while (std::getline(in, row)) {
        if (row.empty() || row[0] == '#') continue;
        const auto eq = row.find('=');
        if (eq == std::string::npos) return std::nullopt;
        const std::string key = row.substr(0, eq);
        char* end = nullptr;
        const std::string value = row.substr(eq + 1);
        const double v = std::strtod(value.c_str(), &end);
        if (value.empty() || end != value.c_str() + value.size() || !std::isfinite(v)) return std::nullopt;
        if (key == "sensor_moment") s.sensorMoment = v, s.sensorKept = true;
        else if (key == "sensor_spread") s.sensorSpread = v;
        else if (key == "minute_moment") s.minuteMoment = v, s.minuteKept = true;
        else if (key == "minute_spread") s.minuteSpread = v;
        else if (key == "logging_moment") s.loggingMoment = v;
        else if (key == "interval") s.intervalMinutes = static_cast<int>(v);
        else if (key == "learned_at") s.learnedAt = v, learned = true;
        else if (key == "drift") s.driftPerDay = v;
    }
    const bool sane = s.sensorSpread >= 0 && s.sensorSpread <= Beat::kPreciseGap && s.minuteSpread >= 0 &&
                      s.minuteSpread <= Beat::kPreciseGap && s.intervalMinutes >= 0 && s.intervalMinutes <= 240;
    if (!learned || !sane) return std::nullopt;
    return s;
}

} // namespace nimbrel
