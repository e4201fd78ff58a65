#include "app/climate_cache.h"

#include "store/history_file.h"
#include "store/history_line.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <fcntl.h>
#include <sys/stat.h>
#include <type_traits>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

namespace nimbrel {

namespace {

std::uint64_t hashOf(std::string_view bytes) {
    return std::hash<std::string_view>{}(bytes);
}

// The cache's check against damage: four independent lanes of 8-byte words, so that checking a megabyte
// takes a fraction of what a one-lane hash would. Not a defence against a forger, only against damage.
std::uint64_t checksumOf(const void* data, std::size_t size) {
    constexpr std::uint64_t kPrime = 0x9E3779B97F4A7C15ull;
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::array<std::uint64_t, 4> lanes = {size, kPrime, ~size, kPrime >> 1};
    std::size_t at = 0;
    for (; at + 32 <= size; at += 32)
        for (std::size_t lane = 0; lane < 4; ++lane) {
            std::uint64_t word;
            std::memcpy(&word, bytes + at + lane * 8, 8);
            lanes[lane] = (lanes[lane] ^ word) * kPrime;
            lanes[lane] ^= lanes[lane] >> 29;
        }
    std::uint64_t sum = hashOf({reinterpret_cast<const char*>(bytes + at), size - at});
    for (const std::uint64_t lane : lanes) sum = (sum ^ lane) * kPrime + (sum >> 31);
    return sum;
}

// A line is known by its first bytes: a record line has a few hundred, and a junk line of megabytes is
// not read whole each time the cache is checked.
constexpr std::uint64_t kFingerprintBytes = 4096;

// Appended lines folded in before the cache is written again: about twelve days of a 5-minute interval.
constexpr std::uint64_t kRewriteAfterBytes = 1 << 20;

// A read longer than this is shared out between two threads.
constexpr std::uint64_t kSplitBytes = 8 << 20;

std::uint64_t fingerprintAt(int fd, std::uint64_t offset, std::uint64_t length) {
    return hashOf(readBytes(fd, offset, std::min(length, kFingerprintBytes)));
}

// Which bytes of the history file the cached days hold: [0, covered), whole lines only, and two
// fingerprints that a rewritten file would not match: its first line and the last line before `covered`.
struct Coverage {
    std::uint64_t device, inode, covered;
    std::uint64_t firstLength, firstPrint, lastOffset, lastPrint;
};

// The cache file: this header, the days as they lie in memory, and a hash of both. It is made and read
// on one machine by one build; a build whose days are laid out otherwise finds another size and
// rebuilds it.
struct CacheHeader {
    char magic[16] = "nimbrel-climate";
    std::uint32_t version = 4;
    std::uint32_t daySize = sizeof(ClimateDay);
    Coverage coverage{};
    std::uint64_t days = 0;
};
static_assert(std::is_trivially_copyable_v<ClimateDay> && std::is_trivially_copyable_v<CacheHeader>);

// The cache as it was written, or false for a missing or damaged one (which is then rebuilt).
bool readCache(const std::filesystem::path& path, Coverage& coverage, std::vector<ClimateDay>& days) {
    const FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    const std::optional<FileStamp> stamp = file.valid() ? stampOf(file.get()) : std::nullopt;
    CacheHeader header;
    const CacheHeader expected;
    std::uint64_t hash = 0;
    if (!stamp || stamp->size < sizeof header + sizeof hash) return false;
    // Mapped rather than read: the days are copied once, from the page cache into their place.
    const std::size_t size = stamp->size;
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.get(), 0);
    if (map == MAP_FAILED) return false;
    const auto* bytes = static_cast<const char*>(map);
    std::memcpy(&header, bytes, sizeof header);
    const std::size_t dayBytes = size - sizeof header - sizeof hash;
    std::memcpy(&hash, bytes + size - sizeof hash, sizeof hash);
    const bool whole = std::memcmp(header.magic, expected.magic, sizeof header.magic) == 0 &&
                       header.version == expected.version && header.daySize == expected.daySize &&
                       dayBytes % sizeof(ClimateDay) == 0 && header.days == dayBytes / sizeof(ClimateDay) &&
                       hash == checksumOf(bytes, size - sizeof hash);
    if (whole) {
        const auto* first = reinterpret_cast<const ClimateDay*>(bytes + sizeof header);
        days.assign(first, first + header.days);
    }
    ::munmap(map, size);
    if (!whole) return false;
    // Days in order, each a real date: what a damaged file that kept its hash would still have to pass.
    for (std::size_t i = 0; i < days.size(); ++i)
        if (!isClimateDate(days[i].date.view()) || (i > 0 && !(days[i - 1].date.view() < days[i].date.view())))
            return false;
    coverage = header.coverage;
    return true;
}

// True when the history file still starts with the lines that the cache was made from.
bool coverageMatches(int fd, const FileStamp& stamp, const Coverage& c) {
    if (c.device != stamp.device || c.inode != stamp.inode || c.covered > stamp.size) return false;
    if (c.covered == 0) return true;
    // A last line that would start after `covered` is read from far away and so does not match.
    return fingerprintAt(fd, 0, c.firstLength) == c.firstPrint &&
           fingerprintAt(fd, c.lastOffset, c.covered - c.lastOffset) == c.lastPrint;
}

void writeCache(const std::filesystem::path& path, const Coverage& coverage, const std::vector<ClimateDay>& days) {
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    CacheHeader header;
    header.coverage = coverage;
    header.days = days.size();
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(reinterpret_cast<const char*>(days.data()), days.size() * sizeof(ClimateDay));
    const std::uint64_t hash = checksumOf(bytes.data(), bytes.size());
    bytes.append(reinterpret_cast<const char*>(&hash), sizeof hash);
    // Renamed into place whole, but not flushed to disk: a cache that a power cut leaves damaged fails its
    // hash and is made again, and waiting for the disk would cost more than the summaries themselves.
    std::string temporary = path.string() + ".tmp-XXXXXX";
    const FileHandle file(::mkstemp(temporary.data()));
    if (!file.valid()) return;
    if (!writeAll(file.get(), bytes) || ::rename(temporary.c_str(), path.c_str()) != 0) ::unlink(temporary.c_str());
}

// The day of `date` in the ordered days, added when missing.
ClimateDay& dayOf(std::vector<ClimateDay>& days, std::string_view date) {
    auto at = std::lower_bound(days.begin(), days.end(), date,
                               [](const ClimateDay& d, std::string_view text) { return d.date.view() < text; });
    if (at == days.end() || at->date.view() != date) {
        at = days.insert(at, ClimateDay{});
        at->date.assign(date);
    }
    return *at;
}

// What one run over whole lines saw: the first line's length and fingerprint (when it started at 0),
// and where its last whole line starts and ends (end 0: none).
struct LineRun {
    std::uint64_t firstLength = 0, firstPrint = 0, lastOffset = 0, end = 0;
};

// Folds the whole lines of [from, to) into `days`; a line still being written ends the run.
void foldLines(int fd, std::uint64_t from, std::uint64_t to, std::vector<ClimateDay>& days, LineRun& run) {
    // Records come in runs of one day: the day of the line before is tried first.
    std::size_t day = days.size();
    ClimateLine record;
    ReadBuffer buffer;
    forEachLineForward(fd, from, to, buffer, [&](std::string_view line, std::uint64_t at) {
        if (!line.ends_with('\n')) return false; // the next run folds it
        if (at == 0) run.firstLength = line.size(), run.firstPrint = hashOf(line.substr(0, kFingerprintBytes));
        run.lastOffset = at;
        run.end = at + line.size();
        if (!record.read(stripLineEnd(line))) return true;
        if (day == days.size() || days[day].date.view() != record.date())
            day = static_cast<std::size_t>(&dayOf(days, record.date()) - days.data());
        record.addTo(days[day]);
        return true;
    });
}

// The start of the first line after `offset` (where a newline ends one), or `end` when there is none.
std::uint64_t lineStartAfter(int fd, std::uint64_t offset, std::uint64_t end) {
    constexpr std::size_t kLook = 64 * 1024;
    for (std::uint64_t at = offset; at < end; at += kLook) {
        const std::string bytes = readBytes(fd, at, static_cast<std::size_t>(std::min<std::uint64_t>(kLook, end - at)));
        const std::size_t newline = bytes.find('\n');
        if (newline != std::string::npos) return at + newline + 1;
        if (bytes.empty()) break;
    }
    return end;
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
    Coverage c{};
    std::vector<ClimateDay> days;
    const bool cached = !cachePath.empty() && readCache(cachePath, c, days) && coverageMatches(file.get(), *stamp, c);
    if (!cached) {
        days.clear();
        c = Coverage{};
    }
    c.device = stamp->device;
    c.inode = stamp->inode;
    const std::uint64_t before = c.covered;

    // A long read is split at a line start in its middle and its halves folded on two threads; the
    // later half's days then fold into the earlier's, which keeps the earlier record on a tie.
    const std::uint64_t middle = (c.covered + stamp->size) / 2;
    const std::uint64_t split = std::thread::hardware_concurrency() > 1 && stamp->size - c.covered > kSplitBytes
                                    ? lineStartAfter(file.get(), middle, stamp->size)
                                    : stamp->size;
    LineRun first, second;
    std::vector<ClimateDay> later;
    std::thread helper;
    if (split < stamp->size) helper = std::thread([&] { foldLines(file.get(), split, stamp->size, later, second); });
    foldLines(file.get(), c.covered, split, days, first);
    if (helper.joinable()) helper.join();
    for (const ClimateDay& d : later) dayOf(days, d.date.view()).add(d);
    const LineRun& last = second.end != 0 ? second : first;
    if (c.covered == 0) c.firstLength = first.firstLength, c.firstPrint = first.firstPrint;
    if (last.end != 0) {
        c.lastOffset = last.lastOffset;
        c.covered = last.end;
        c.lastPrint = fingerprintAt(file.get(), c.lastOffset, c.covered - c.lastOffset);
    }
    result.read = true;
    result.source = !cached ? ClimateDays::Source::wholeFile
                    : c.covered != before ? ClimateDays::Source::appendedLines
                                          : ClimateDays::Source::cacheOnly;
    // A few lines appended since are cheaper to fold again next time than to write the cache for.
    if (!cachePath.empty() && (!cached || c.covered - before > kRewriteAfterBytes)) writeCache(cachePath, c, days);
    result.days = std::move(days);
    return result;
}

} // namespace nimbrel
