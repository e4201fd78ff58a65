#include "store/rain_facts_cache.h"

#include "store/history_line.h"

#include <algorithm>

namespace nimbrel {

namespace {

// The file's columns (from 1) that the rain walk reads.
constexpr std::size_t kSampleTimeColumn = 3;
constexpr std::size_t kRainMmColumn = 21;
constexpr std::size_t kIncrementColumn = 22;
constexpr std::size_t kTotalRainColumn = 27;

static_assert(kHistoryColumns[kSampleTimeColumn - 1] == WeatherSample::sampleTime);
static_assert(kHistoryColumns[kRainMmColumn - 1] == WeatherSample::rainMm);
static_assert(kHistoryColumns[kIncrementColumn - 1] == WeatherSample::increment);
static_assert(kHistoryColumns[kTotalRainColumn - 1] == WeatherSample::totalRain);
static_assert(RainColumnsReader::kRainColumns == kTotalRainColumn);

// A month of 1-minute records is some 43,000 facts (2 MB). Far more means a file whose times the
// walks cannot narrow (a clock set years wrong); its facts are read again rather than kept.
constexpr std::size_t kMostKeptFacts = 1 << 18;
// Facts kept beyond the deepest a walk went, before the oldest are let go.
constexpr std::size_t kSpareFacts = 1024;
// Room for a month of 5-minute records, taken at once so that the first walk copies nothing.
constexpr std::size_t kFactsReserved = 10000;
// Facts handed to a walk at a time: a few hours of records, so what a walk used is known closely
// enough to let the older facts go.
constexpr std::size_t kFactsPerSpan = 256;

} // namespace

// As the whole-record parser would read those columns (a column the line lacks has the text of a
// cleared record), without the other 33 columns.
RainWalkRecord RainColumnsReader::read(std::string_view line) {
    const std::size_t found = leadingColumns(line, columns_.data(), kRainColumns);
    auto column = [&](std::size_t n) -> std::string_view {
        return n <= found ? trimBlanks(columns_[n - 1])
                          : std::string_view(cleared_.text(kHistoryColumns[n - 1]));
    };
    return rainWalkRecordOf(column(kSampleTimeColumn), column(kRainMmColumn), column(kIncrementColumn),
                            column(kTotalRainColumn), times_);
}

void RainFactsCache::follow(const FileStamp& stamp) {
    if (matches(stamp)) return;
    facts_.clear();
    offsets_.clear();
    readFrom_ = stamp.size;
    stamp_ = stamp;
    valid_ = true;
}

void RainFactsCache::drop() {
    valid_ = false;
    facts_ = {};
    offsets_ = {};
}

RainFactsCache::Walk::Walk(RainFactsCache& cache, int fd) : cache_(cache), fd_(fd) {}

RainFactsCache::Walk::~Walk() {
    cache_.trimTo(deepest_);
}

std::span<const RainWalkRecord> RainFactsCache::Walk::from(std::size_t k) {
    if (k >= cache_.facts_.size()) cache_.readBackTo(k + kFactsPerSpan - 1, lines_, fd_);
    if (k >= cache_.facts_.size()) return {};
    const std::size_t n = std::min(kFactsPerSpan, cache_.facts_.size() - k);
    deepest_ = std::max(deepest_, k + n);
    return std::span(cache_.facts_).subspan(k, n);
}

void RainFactsCache::readBackTo(std::size_t k, std::optional<BackwardLines>& lines, int fd) {
    if (!valid_ || readFrom_ == 0) return;
    if (!lines) lines.emplace(fd, readFrom_);
    if (facts_.empty()) {
        facts_.reserve(kFactsReserved);
        offsets_.reserve(kFactsReserved);
    }
    std::string_view line;
    std::uint64_t offset = 0;
    while (facts_.size() <= k) {
        if (!lines->next(line, offset)) {
            // A file that shrank under the lock was changed behind the store's back: read it afresh.
            if (lines->failed())
                valid_ = false;
            else
                readFrom_ = 0;
            return;
        }
        readFrom_ = offset;
        const auto text = recordTextOf(line);
        if (!text) continue;
        const RainWalkRecord record = reader_.read(*text);
        // Every walk passes a record without a counter by; it need not be kept.
        if (record.counterMissing) continue;
        facts_.push_back(record);
        offsets_.push_back(offset);
    }
}

void RainFactsCache::trimTo(std::size_t used) {
    if (!valid_ || facts_.size() > kMostKeptFacts) {
        drop();
        return;
    }
    if (used == 0 || facts_.size() <= 2 * used + kSpareFacts) return;
    facts_.resize(used);
    offsets_.resize(used);
    readFrom_ = offsets_.back();
}

void RainFactsCache::addLines(std::string_view bytes, std::uint64_t offset) {
    if (!valid_) return;
    // A torn last line cut off before the append may have begun before every line read so far.
    readFrom_ = std::min(readFrom_, offset);
    std::vector<RainWalkRecord> added;
    std::vector<std::uint64_t> addedOffsets;
    std::size_t begin = 0;
    while (begin < bytes.size()) {
        std::size_t end = bytes.find('\n', begin);
        end = end == std::string_view::npos ? bytes.size() : end + 1;
        if (const auto text = recordTextOf(bytes.substr(begin, end - begin))) {
            const RainWalkRecord record = reader_.read(*text);
            if (!record.counterMissing) {
                added.push_back(record);
                addedOffsets.push_back(offset + begin);
            }
        }
        begin = end;
    }
    facts_.insert(facts_.begin(), added.rbegin(), added.rend());
    offsets_.insert(offsets_.begin(), addedOffsets.rbegin(), addedOffsets.rend());
}

} // namespace nimbrel
