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

} // namespace nimbrel
