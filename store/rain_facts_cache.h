// The rain walk's facts of the history file's newest records, kept between cycles while the file
// only grows by the store's own appends, so a cycle's rain totals do not read the file again.
#pragma once

#include "presentation/rain_totals.h"
#include "store/history_file.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace nimbrel {

// Reads what the rain walk needs of a record line: four columns, not the whole record.
class RainColumnsReader {
public:
    // `line` is a record line without its line end.
    RainWalkRecord read(std::string_view line);
    // The columns read: up to the total rain, the 27th.
    static constexpr std::size_t kRainColumns = 27;

private:
    const WeatherSample cleared_;
    // Kept from line to line: clearing a fresh array for each of thousands of lines costs more than
    // reading the columns.
    std::array<std::string_view, kRainColumns> columns_;
    LocalTimeReader times_;
};

// The facts describe one state of the file (its FileStamp): the records from some line to the end,
// newest first. A walk that goes further back reads on from that line, backwards, and the facts it
// reads are kept for the next walk. The store calls the rest: follow() when it opens the file,
// addLines() and setStamp() after its own append, drop() after anything else it writes.
class RainFactsCache {
public:
    // Keeps the facts when they describe exactly this state of the file, forgets them otherwise.
    void follow(const FileStamp& stamp);
    void drop();
    bool matches(const FileStamp& stamp) const { return valid_ && stamp_ == stamp; }
    // How many facts are kept for the next walk.
    std::size_t kept() const { return valid_ ? facts_.size() : 0; }

    // The facts of the file as `fd` shows it (its state given to follow()), for one operation.
    class Walk final : public RainFacts {
    public:
        Walk(RainFactsCache& cache, int fd);
        ~Walk() override;
        std::span<const RainWalkRecord> from(std::size_t k) override;

    private:
        RainFactsCache& cache_;
        int fd_;
        std::optional<BackwardLines> lines_;
        std::size_t deepest_ = 0; // how many facts this walk handed out
    };

    // After the store's own append to the state the facts describe: the new whole lines (line ends
    // included), oldest first, starting at file offset `offset`; then setStamp() with the new state.
    void addLines(std::string_view bytes, std::uint64_t offset);
    void setStamp(const FileStamp& stamp) { stamp_ = stamp; }

private:
    // Reads older lines until fact k exists or the file's first line is read.
    void readBackTo(std::size_t k, std::optional<BackwardLines>& lines, int fd);
    // Forgets facts far older than the walks use, so the kept month does not grow with the years.
    void trimTo(std::size_t used);

    std::vector<RainWalkRecord> facts_;  // newest first
    std::vector<std::uint64_t> offsets_; // of each fact's line
    std::uint64_t readFrom_ = 0;         // the lines before this offset are not read yet
    FileStamp stamp_;
    bool valid_ = false;
    RainColumnsReader reader_;
};

} // namespace nimbrel
