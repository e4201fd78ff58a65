// A small index of the history file: blocks of lines with their byte ranges and the span of
// their save times, so a time-range query reads only the blocks that can hold a match.
#pragma once

#include "store/history_file.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

// A stretch of whole lines of the file, [begin, end).
struct ByteRun {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    std::uint64_t records = 0; // record lines in the run
    // Every line of the run is a record whose save time lies in the range asked for: a reader may
    // take the lines without looking at them.
    bool allMatch = false;
};

class HistoryIndex {
public:
    // About 300 KB of file per block: ten years make some 1,000 blocks.
    static constexpr std::uint32_t kLinesPerBlock = 1024;

    struct Block {
        std::uint64_t begin = 0;
        std::uint64_t end = 0;
        std::uint32_t lines = 0;
        std::uint32_t records = 0;
        // Save times of the block's record lines, compared as texts like every range test.
        // They are not in order through the file (the PC clock can be set back), so each
        // block keeps its own smallest and largest.
        std::string minSaveTime;
        std::string maxSaveTime;
    };

    // True when the index describes exactly this state of the file.
    bool matches(const FileStamp& stamp) const { return built_ && stamp_ == stamp; }
    bool built() const { return built_; }
    void drop();

    // Indexes every whole line of the file (those before the last LF).
    void build(int fd, const FileStamp& stamp, ReadBuffer& buffer);
    // Starts the index of an empty file, or of a file about to be written from its start.
    void startEmpty();
    // Takes one more whole line (LF included) that starts at `offset` == linesEnd().
    void addLine(std::string_view line, std::uint64_t offset);
    // After our own write: the state of the file that the index now describes.
    void setStamp(const FileStamp& stamp) { stamp_ = stamp; }

    std::uint64_t linesEnd() const { return blocks_.empty() ? 0 : blocks_.back().end; }
    std::uint64_t recordCount() const { return records_; }
    const std::vector<Block>& blocks() const { return blocks_; }

    // The stretches of the file whose blocks may hold a save time in [from, to], in file
    // order, neighbouring blocks joined into one run when they agree on allMatch.
    std::vector<ByteRun> runsFor(std::string_view from, std::string_view to) const;

private:
    std::vector<Block> blocks_;
    std::uint64_t records_ = 0;
    FileStamp stamp_;
    bool built_ = false;
};

} // namespace nimbrel
