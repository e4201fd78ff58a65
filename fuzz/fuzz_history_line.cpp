// Fuzz target: a line of Nimbrel.dat as any bytes, as a crash, an editor or another program may
// leave it. The column readers agree with a plain split at every comma; a torn last line is told
// from a whole one by its columns and its closing station address; a line read, written again and
// read again keeps every column; a reused line reader never carries a column over from its last line.
#include "fuzz/fuzz_check.h"
#include "station/weather_sample.h"
#include "store/history_file.h"
#include "store/history_line.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace nimbrel;
using nimbrel::fuzz::require;

std::vector<std::string_view> splitAtCommas(std::string_view line) {
    std::vector<std::string_view> columns;
    std::size_t start = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == ',') {
            columns.push_back(line.substr(start, i - start));
            start = i + 1;
        }
    }
    columns.push_back(line.substr(start));
    return columns;
}

std::string_view withoutBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// One LF, then one CR before it, as the file's readers take a line end off.
std::string_view withoutLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

void checkColumnReaders(std::string_view line) {
    const std::vector<std::string_view> plain = splitAtCommas(line);
    require(columnCount(line) == plain.size(), "columnCount counts the commas");
    std::array<std::string_view, 41> columns;
    for (std::size_t count : {1, 2, 3, 4, 5, 8, 17, 27, 36, 37, 38, 40}) {
        const std::size_t found = leadingColumns(line, columns.data(), count);
        require(found == std::min(count, plain.size()), "leadingColumns finds every column up to its count");
        for (std::size_t c = 0; c < found; ++c)
            require(columns[c] == plain[c], "leadingColumns splits at commas");
    }
    require(columnText(line, 0).empty(), "there is no column 0");
    for (std::size_t n = 1; n <= 40; ++n) {
        const std::string_view expected =
            n <= plain.size() ? withoutBlanks(plain[n - 1]) : std::string_view{};
        require(columnText(line, n) == expected, "columnText gives the trimmed column");
    }
}

void checkTornLines(std::string_view line) {
    const std::vector<std::string_view> plain = splitAtCommas(withoutLineEnd(line));
    const std::string_view last = withoutBlanks(plain.back());
    const bool complete = (plain.size() == kDataLineColumns || plain.size() == kHistoryColumns.size()) &&
                          last.size() == 6 && std::all_of(last.begin(), last.end(), isHexDigit);
    require(isCompleteFragment(line) == complete, "a whole line has every column and its closing address");

    const std::string_view text = withoutLineEnd(line);
    const std::string_view shown = withoutBlanks(text);
    const bool readable = (!line.empty() && line.back() == '\n') || complete;
    const bool record = readable && !shown.empty() && shown.front() != '#';
    const std::optional<std::string_view> held = recordTextOf(line);
    require(held.has_value() == record, "recordTextOf skips torn last lines, blanks and comments");
    if (held) require(*held == text, "recordTextOf gives the line without its end");
}

void checkReadBack(std::string_view line, std::string_view other) {
    const WeatherSample read = parseHistoryLine(line);
    const WeatherSample cleared;
    const std::vector<std::string_view> plain = splitAtCommas(withoutLineEnd(line));
    for (std::size_t c = 0; c < kReadColumns; ++c) {
        const int position = kHistoryColumns[c];
        if (c < plain.size())
            require(read.text(position) == withoutBlanks(plain[c]), "a column reads as its trimmed text");
        else
            require(read.text(position) == cleared.text(position), "a missing column reads as a cleared one");
    }

    // Written again (as the delete rewrite and the export do) and read again: every column stays.
    const WeatherSample debugAgain = parseHistoryLine(formatHistoryLine(read, true));
    const WeatherSample plainAgain = parseHistoryLine(formatHistoryLine(read, false));
    for (std::size_t c = 0; c < kReadColumns; ++c) {
        const int position = kHistoryColumns[c];
        require(debugAgain.text(position) == read.text(position),
                "a debug line written and read keeps its columns");
        if (c < kDataLineColumns)
            require(plainAgain.text(position) == read.text(position),
                    "a data line written and read keeps its columns");
    }

    // One parser over two lines: the second reads as if alone.
    RecordLineParser parser;
    parser.parse(other);
    const WeatherSample& second = parser.parse(line);
    for (std::size_t c = 0; c < kReadColumns; ++c)
        require(second.text(kHistoryColumns[c]) == read.text(kHistoryColumns[c]),
                "a reused parser carries nothing over from the line before");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The first line is the one under test; what follows it is the line a reused parser read before.
    const std::size_t end = bytes.find('\n');
    const std::string_view line = end == std::string_view::npos ? bytes : bytes.substr(0, end + 1);
    const std::string_view other = end == std::string_view::npos ? std::string_view{} : bytes.substr(end + 1);
    checkColumnReaders(line);
    checkColumnReaders(other);
    checkTornLines(line);
    checkReadBack(line, other);
    return 0;
}
