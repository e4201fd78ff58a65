#include "store/history_index.h"

#include "store/history_line.h"

namespace nimbrel {

void HistoryIndex::drop() {
    blocks_.clear();
    records_ = 0;
    stamp_ = FileStamp{};
    built_ = false;
}

void HistoryIndex::startEmpty() {
    drop();
    built_ = true;
}

void HistoryIndex::build(int fd, const FileStamp& stamp, ReadBuffer& buffer) {
    startEmpty();
    const FileTail tail = readTail(fd, stamp.size);
    forEachLineForward(fd, 0, tail.linesEnd, buffer, [this](std::string_view line, std::uint64_t offset) {
        addLine(line, offset);
        return true;
    });
    stamp_ = stamp;
}

void HistoryIndex::addLine(std::string_view line, std::uint64_t offset) {
    if (blocks_.empty() || blocks_.back().lines >= kLinesPerBlock || blocks_.back().end != offset) {
        Block block;
        block.begin = offset;
        block.end = offset;
        blocks_.push_back(std::move(block));
    }
    Block& block = blocks_.back();
    block.end = offset + line.size();
    ++block.lines;
    const std::string_view text = stripLineEnd(line);
    if (!isRecordLine(text)) return;
    const std::string_view saveTime = columnText(text, 2);
    if (block.records == 0 || saveTime < block.minSaveTime) block.minSaveTime.assign(saveTime);
    if (block.records == 0 || saveTime > block.maxSaveTime) block.maxSaveTime.assign(saveTime);
    ++block.records;
    ++records_;
}

std::vector<ByteRun> HistoryIndex::runsFor(std::string_view from, std::string_view to) const {
    std::vector<ByteRun> runs;
    for (const Block& block : blocks_) {
        if (block.records == 0 || block.maxSaveTime < from || block.minSaveTime > to) continue;
        const bool allMatch =
            block.lines == block.records && block.minSaveTime >= from && block.maxSaveTime <= to;
        if (!runs.empty() && runs.back().end == block.begin && runs.back().allMatch == allMatch) {
            runs.back().end = block.end;
            runs.back().records += block.records;
        } else {
            runs.push_back({block.begin, block.end, block.records, allMatch});
        }
    }
    return runs;
}

} // namespace nimbrel
