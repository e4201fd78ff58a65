#include "store/history_line.h"

#include <algorithm>

namespace nimbrel {

namespace {

// Width of every column and the text that separates it from the column before it.
struct ColumnLayout {
    int width;
    std::string_view before;
};

constexpr std::array<ColumnLayout, 38> kLayout = {{
    {4, ""},     {19, ", "}, {19, ", "},  {3, ", "},     {4, ",   "}, {5, ", "},   {4, ", "}, {5, ", "},
    {5, ", "},   {5, ", "},  {7, ",   "}, {7, ", "},     {4, ",   "}, {4, ", "},   {4, ", "}, {4, ", "},
    {4, ",   "}, {6, ", "},  {4, ", "},   {5, ", \t\t"}, {7, ", "},   {7, ",   "}, {7, ", "}, {7, ", "},
    {7, ", "},   {7, ", "},  {8, ", "},   {2, ",   "},   {2, ", "},   {2, ", "},   {2, ", "}, {2, ", "},
    {2, ", "},   {2, ", "},  {2, ", "},   {6, ",   "},   {48, ", "},  {6, ", "},
}};

constexpr std::array<std::string_view, 38> kColumnNames = {
    "ID",      "saveTime", "sampleTime", "Crl",  "inHm",  "inTmp",  "ouHu",     "ouTmp",     "dewPt", "winCl",
    "absPres", "relPres",  "wind",       "wLvl", "gust",  "gLvl",   "winD",     "Desc",      "cdn",   "rain",
    "rainMm",  "incr",     "hourR",      "dayR", "weekR", "monthR", "totalR",   "f1",        "f2",    "f3",
    "f4",      "f5",       "f6",         "f7",   "f8",    "hexAdd", "hexValue", "stackAddr",
};

void appendRightAligned(std::string& out, std::string_view text, int width) {
    if (static_cast<int>(text.size()) < width) out.append(static_cast<std::size_t>(width) - text.size(), ' ');
    out.append(text);
}

template <typename TextOf> std::string layOut(TextOf textOf, bool withDebugPart) {
    const std::size_t columns = withDebugPart ? kLayout.size() : kDataLineColumns;
    std::string line;
    line.reserve(withDebugPart ? 360 : 300);
    for (std::size_t c = 0; c < columns; ++c) {
        line.append(kLayout[c].before);
        appendRightAligned(line, textOf(c), kLayout[c].width);
    }
    line.append("\r\n");
    return line;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::string formatHistoryLine(const WeatherSample& sample, bool withDebugPart) {
    return layOut([&](std::size_t c) -> std::string_view { return sample.text(kHistoryColumns[c]); },
                  withDebugPart);
}

std::string historyHeaderLine() {
    std::string line = layOut([](std::size_t c) { return kColumnNames[c]; }, true);
    line[0] = '#';
    return line;
}

std::string_view trimBlanks(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::string_view stripLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

bool isRecordLine(std::string_view line) {
    const std::string_view trimmed = trimBlanks(line);
    return !trimmed.empty() && trimmed.front() != '#';
}

std::size_t columnCount(std::string_view line) {
    return static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1;
}

std::string_view columnText(std::string_view line, std::size_t n) {
    std::size_t begin = 0;
    for (std::size_t c = 1; c < n; ++c) {
        const std::size_t comma = line.find(',', begin);
        if (comma == std::string_view::npos) return {};
        begin = comma + 1;
    }
    const std::size_t comma = line.find(',', begin);
    const std::size_t end = comma == std::string_view::npos ? line.size() : comma;
    return trimBlanks(line.substr(begin, end - begin));
}

long leadingNumber(std::string_view text) {
    text = trimBlanks(text);
    bool negative = false;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value > 100000000000L) break; // a number no file reaches; stop before it overflows
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

RecordLineParser::RecordLineParser() : sample_(cleared_) {}

const WeatherSample& RecordLineParser::parse(std::string_view line) {
    line = stripLineEnd(line);
    // One pass over the line: this runs for every record of every query and rain walk.
    // Only the column positions ever change, so the other positions of the reused sample
    // keep the cleared values they started with.
    const char* p = line.data();
    const char* const end = p + line.size();
    std::size_t column = 0;
    while (column < kReadColumns) {
        while (p < end && isBlank(*p)) ++p;
        const char* const start = p;
        const char* textEnd = p;
        while (p < end && *p != ',') {
            if (!isBlank(*p)) textEnd = p + 1;
            ++p;
        }
        sample_.text(kHistoryColumns[column]).assign(start, static_cast<std::size_t>(textEnd - start));
        ++column;
        if (p == end) break;
        ++p; // the comma
    }
    for (; column < kReadColumns; ++column)
        sample_.text(kHistoryColumns[column]) = cleared_.text(kHistoryColumns[column]);
    return sample_;
}

WeatherSample parseHistoryLine(std::string_view line) {
    RecordLineParser parser;
    return parser.parse(line);
}

} // namespace nimbrel
