#include "app/climate_cache.h"

#include "store/history_file.h"
#include "store/history_line.h"
#include "store/replacing_file.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

namespace nimbrel {

namespace {

constexpr std::string_view kMagic = "nimbrel climate days 2";

std::uint64_t hashOf(std::string_view bytes) {
    std::uint64_t h = 14695981039346656037ull; // FNV-1a
    for (const char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return h;
}

// Which bytes of the history file the cached days hold: [0, covered), whole lines only, and two
// fingerprints that a rewritten file would not match: its first line and the last line before `covered`.
struct Coverage {
    std::uint64_t device = 0, inode = 0, covered = 0;
    std::uint64_t firstLength = 0, firstHash = 0, lastOffset = 0, lastHash = 0;
};

using DayMap = std::map<std::string, ClimateDay, std::less<>>;

// The members of a day in the cache's order of fields.
constexpr Extreme ClimateDay::*kExtremes[] = {
    &ClimateDay::tempHigh, &ClimateDay::tempLow, &ClimateDay::humHigh,  &ClimateDay::humLow,
    &ClimateDay::presHigh, &ClimateDay::presLow, &ClimateDay::dewHigh,  &ClimateDay::dewLow,
    &ClimateDay::chillLow, &ClimateDay::hourRainHigh, &ClimateDay::windHigh, &ClimateDay::gustHigh,
};
constexpr double ClimateDay::*kSums[] = {&ClimateDay::tempSum, &ClimateDay::rain, &ClimateDay::windSum,
                                         &ClimateDay::windRunMetres};
constexpr std::int64_t ClimateDay::*kCounts[] = {&ClimateDay::records, &ClimateDay::tempCount,
                                                 &ClimateDay::windCount};

// Numbers are written shortest-exact with to_chars, which no locale changes.
void put(std::string& out, double v) {
    char buffer[32];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
    out += '\t';
}

void put(std::string& out, std::int64_t v) {
    char buffer[24];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
    out += '\t';
}

void put(std::string& out, std::uint64_t v) {
    char buffer[24];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
    out += '\t';
}

// Reads the TAB-separated fields of one cache line in order; any field that does not read fails it.
class Fields {
public:
    explicit Fields(std::string_view line) : rest_(line) {}
    bool next(std::string_view& field) {
        if (done_) return false;
        const std::size_t tab = rest_.find('\t');
        field = rest_.substr(0, tab);
        done_ = tab == std::string_view::npos;
        rest_ = done_ ? std::string_view{} : rest_.substr(tab + 1);
        return true;
    }
    template <typename Number>
    bool read(Number& v) {
        std::string_view f;
        if (!next(f)) return false;
        const auto [end, error] = std::from_chars(f.data(), f.data() + f.size(), v);
        return error == std::errc() && end == f.data() + f.size();
    }
    bool read(Extreme& e) {
        std::string_view time;
        if (!read(e.value) || !next(time)) return false;
        e.time.assign(time == "-" ? std::string_view{} : time);
        return true;
    }
    bool atEnd() const { return done_; }

private:
    std::string_view rest_;
    bool done_ = false;
};

std::string dayLine(const ClimateDay& d) {
    std::string out = d.date + '\t';
    for (auto m : kCounts) put(out, d.*m);
    for (auto m : kSums) put(out, d.*m);
    put(out, d.wind.east);
    put(out, d.wind.north);
    put(out, std::int64_t{d.gustDirCode});
    for (auto m : kExtremes) {
        put(out, (d.*m).value);
        out += (d.*m).known() ? (d.*m).time : "-";
        out += '\t';
    }
    out.back() = '\n';
    return out;
}

bool readDay(std::string_view line, ClimateDay& d) {
    Fields f(line);
    std::string_view date;
    if (!f.next(date) || !isClimateDate(date)) return false;
    d.date.assign(date);
    std::int64_t gustDir = 0;
    for (auto m : kCounts)
        if (!f.read(d.*m)) return false;
    for (auto m : kSums)
        if (!f.read(d.*m)) return false;
    if (!f.read(d.wind.east) || !f.read(d.wind.north) || !f.read(gustDir) || gustDir < -1 || gustDir > 15)
        return false;
    d.gustDirCode = static_cast<int>(gustDir);
    for (auto m : kExtremes)
        if (!f.read(d.*m)) return false;
    return f.atEnd();
}

std::string coverageLine(const Coverage& c) {
    std::string out;
    for (std::uint64_t v : {c.device, c.inode, c.covered, c.firstLength, c.firstHash, c.lastOffset, c.lastHash})
        put(out, v);
    out.back() = '\n';
    return out;
}

// The cache as it was written, or false for a missing or damaged one (which is then rebuilt).
bool readCache(const std::filesystem::path& path, Coverage& c, DayMap& days) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line) || line != kMagic || !std::getline(in, line)) return false;
    Fields header(line);
    for (std::uint64_t* v : {&c.device, &c.inode, &c.covered, &c.firstLength, &c.firstHash, &c.lastOffset,
                             &c.lastHash})
        if (!header.read(*v)) return false;
    if (!header.atEnd() || c.lastOffset > c.covered) return false;
    std::uint64_t count = 0;
    while (std::getline(in, line)) {
        if (line.starts_with("end\t")) {
            Fields end(std::string_view(line).substr(4));
            return end.read(count) && end.atEnd() && count == days.size() && in.peek() == EOF;
        }
        ClimateDay day;
        if (!readDay(line, day) || !days.emplace(day.date, day).second) return false;
    }
    return false; // cut short
}

// True when the history file still starts with the lines that the cache was made from.
bool coverageMatches(int fd, const FileStamp& stamp, const Coverage& c) {
    if (c.device != stamp.device || c.inode != stamp.inode || c.covered > stamp.size) return false;
    if (c.covered == 0) return true;
    return hashOf(readBytes(fd, 0, c.firstLength)) == c.firstHash &&
           hashOf(readBytes(fd, c.lastOffset, c.covered - c.lastOffset)) == c.lastHash;
}

void writeCache(const std::filesystem::path& path, const Coverage& c, const DayMap& days) {
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    ReplacingFile file(path.string(), ".tmp-");
    if (!file.open(0600)) return;
    std::string text = std::string(kMagic) + '\n' + coverageLine(c);
    for (const auto& [date, day] : days) text += dayLine(day);
    text += "end\t" + std::to_string(days.size()) + '\n';
    if (!file.write(text) || !file.commit()) file.abandon();
}

} // namespace

std::filesystem::path climateCachePath(const std::filesystem::path& dataFolder) {
    std::filesystem::path base;
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    if (xdg != nullptr && xdg[0] == '/')
        base = std::filesystem::path(xdg) / "nimbrel";
    else if (home != nullptr && home[0] == '/')
        base = std::filesystem::path(home) / ".cache" / "nimbrel";
    else
        return {};
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::weakly_canonical(dataFolder, error);
    char name[40];
    std::snprintf(name, sizeof name, "climate-%016llx.days",
                  static_cast<unsigned long long>(hashOf((error ? dataFolder : folder).string())));
    return base / name;
}

ClimateDays loadClimateDays(const std::string& historyPath, const std::filesystem::path& cachePath) {
    ClimateDays result;
    const FileHandle file(::open(historyPath.c_str(), O_RDONLY | O_CLOEXEC));
    std::optional<FileStamp> stamp = file.valid() ? stampOf(file.get()) : std::nullopt;
    struct stat status {};
    if (stamp && (::fstat(file.get(), &status) != 0 || S_ISDIR(status.st_mode))) {
        errno = EISDIR;
        stamp.reset();
    }
    if (!stamp) {
        result.read = errno == ENOENT;
        if (!result.read) result.failure = std::strerror(errno);
        return result;
    }
    Coverage c;
    DayMap days;
    const bool cached = !cachePath.empty() && readCache(cachePath, c, days) && coverageMatches(file.get(), *stamp, c);
    if (!cached) {
        days.clear();
        c = Coverage{};
    }
    c.device = stamp->device;
    c.inode = stamp->inode;
    const std::uint64_t before = c.covered;

    ClimateDay* day = nullptr;
    ReadBuffer buffer;
    forEachLineForward(file.get(), c.covered, stamp->size, buffer, [&](std::string_view line, std::uint64_t at) {
        if (!line.ends_with('\n')) return false; // a line still being written: the next run folds it
        if (at == 0) c.firstLength = line.size(), c.firstHash = hashOf(line);
        c.lastOffset = at;
        c.lastHash = hashOf(line);
        c.covered = at + line.size();
        const std::string_view text = stripLineEnd(line);
        const std::string_view date = climateDateOf(text);
        if (date.empty()) return true;
        if (day == nullptr || day->date != date) {
            auto it = days.find(date);
            if (it == days.end()) {
                it = days.emplace(std::string(date), ClimateDay{}).first;
                it->second.date = it->first;
            }
            day = &it->second;
        }
        addRecordLine(*day, text);
        return true;
    });

    result.read = true;
    result.source = !cached ? ClimateDays::Source::wholeFile
                    : c.covered != before ? ClimateDays::Source::appendedLines
                                          : ClimateDays::Source::cacheOnly;
    if (!cachePath.empty() && result.source != ClimateDays::Source::cacheOnly) writeCache(cachePath, c, days);
    result.days.reserve(days.size());
    for (auto& [date, d] : days) result.days.push_back(std::move(d));
    return result;
}

} // namespace nimbrel
