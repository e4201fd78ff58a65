#include "store/record_range.h"

#include "store/history_line.h"

#include <string_view>

namespace nimbrel {

WeatherSample RecordRange::record(std::size_t i) const {
    if (i >= lines_.size() || !file_ || !file_->valid()) return WeatherSample{};
    const std::string line = readBytes(file_->get(), lines_[i].offset, lines_[i].length);
    if (line.size() != lines_[i].length) return WeatherSample{};
    return parseHistoryLine(line);
}

SampleList RecordRange::records(std::size_t first, std::size_t count) const {
    SampleList list;
    if (first >= lines_.size()) return list;
    count = std::min(count, lines_.size() - first);
    list.reserve(count);
    if (!file_ || !file_->valid()) {
        list.resize(count);
        return list;
    }
    // One read for the whole page: rows of a range lie close together in the file.
    const std::uint64_t begin = lines_[first].offset;
    std::uint64_t end = begin;
    for (std::size_t i = first; i < first + count; ++i)
        end = std::max<std::uint64_t>(end, lines_[i].offset + lines_[i].length);
    const bool oneRead = end - begin <= (std::uint64_t{8} << 20);
    const std::string bytes = oneRead ? readBytes(file_->get(), begin, end - begin) : std::string{};
    RecordLineParser parser;
    for (std::size_t i = first; i < first + count; ++i) {
        const Line& line = lines_[i];
        if (!oneRead || line.offset < begin) {
            list.push_back(record(i));
            continue;
        }
        const std::uint64_t at = line.offset - begin;
        if (at + line.length > bytes.size()) {
            list.emplace_back();
            continue;
        }
        list.push_back(parser.parse(std::string_view(bytes).substr(at, line.length)));
    }
    return list;
}

bool RecordRange::visit(std::size_t first, std::size_t count, const RowVisitor& visitor) const {
    if (first >= lines_.size()) return true;
    count = std::min(count, lines_.size() - first);
    if (!file_ || !file_->valid()) return false;
    // Rows lie in file order, mostly next to each other: one read brings a few thousand of them.
    constexpr std::uint64_t kPiece = 4 << 20;
    RecordLineParser parser;
    std::string bytes;
    std::uint64_t held = 0; // file offset of bytes[0]
    const std::size_t end = first + count;
    for (std::size_t i = first; i < end; ++i) {
        const Line& line = lines_[i];
        if (line.offset < held || line.offset + line.length > held + bytes.size()) {
            std::uint64_t stop = line.offset + line.length;
            for (std::size_t j = i + 1; j < end && lines_[j].offset >= line.offset &&
                                        lines_[j].offset + lines_[j].length - line.offset <= kPiece;
                 ++j)
                stop = std::max<std::uint64_t>(stop, lines_[j].offset + lines_[j].length);
            held = line.offset;
            bytes = readBytes(file_->get(), held, stop - held);
            if (bytes.size() < line.length) return false;
        }
        const std::string_view text = std::string_view(bytes).substr(line.offset - held, line.length);
        if (!visitor(parser.parse(text), i)) return true;
    }
    return true;
}

} // namespace nimbrel
