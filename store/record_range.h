// RecordRange: the records of one time-range query held as line positions, each read and
// parsed only when asked for, so a grid can show a year of rows without holding them.
#pragma once

#include "station/weather_sample.h"
#include "store/history_file.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace nimbrel {

class RecordRange {
public:
    RecordRange() = default;

    std::size_t size() const { return lines_.size(); }
    bool empty() const { return lines_.empty(); }

    // Record i in file order (0 = oldest line of the range). Reads its line from the file
    // as it was when the query ran: a later delete replaces the file and leaves this one be.
    // A position past the end, or a line that is gone, gives a cleared record.
    WeatherSample record(std::size_t i) const;
    // The same for many rows at once (a visible page of a grid), fewer reads.
    SampleList records(std::size_t first, std::size_t count) const;
    // Rows [first, first + count) in turn, each parsed into one reused record that stays valid only
    // during its call; returning false stops the walk. Reads the file in large pieces and builds no
    // list: an export streams ten years through it. Returns false when a read failed (the rows after
    // it are not visited).
    using RowVisitor = std::function<bool(const WeatherSample& record, std::size_t row)>;
    bool visit(std::size_t first, std::size_t count, const RowVisitor& visitor) const;

    // Why the query could not read the file ("" when it could): its rows are then none.
    const std::string& failure() const { return failure_; }
    void setFailure(std::string why) { failure_ = std::move(why); }

    // Used by the store while it runs the query.
    void adopt(FileHandle file) { file_ = std::make_shared<FileHandle>(std::move(file)); }
    void reserve(std::size_t lines) { lines_.reserve(lines); }
    void addLine(std::uint64_t offset, std::size_t length) {
        lines_.push_back({offset, static_cast<std::uint32_t>(length)});
    }

private:
    struct Line {
        std::uint64_t offset;
        std::uint32_t length;
    };
    std::shared_ptr<FileHandle> file_;
    std::vector<Line> lines_;
    std::string failure_;
};

} // namespace nimbrel
