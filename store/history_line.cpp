#include "store/history_line.h"

#include "presentation/decimal_text.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The header line's name of each column.
constexpr std::string_view kColumnNames[] = {
    "ID",      "saveTime", "sampleTime", "Crl",  "inHm",  "inTmp",  "ouHu",     "ouTmp",     "dewPt", "winCl",
    "absPres", "relPres",  "wind",       "wLvl", "gust",  "gLvl",   "winD",     "Desc",      "cdn",   "rain",
    "rainMm",  "incr",     "hourR",      "dayR", "weekR", "monthR", "totalR",   "f1",        "f2",    "f3",
    "f4",      "f5",       "f6",         "f7",   "f8",    "hexAdd", "hexValue", "stackAddr",
};
static_assert(std::size(kColumnNames) == kLayout.size());

void appendRightAligned(std::string& out, std::string_view text, int width) {
    out.append(static_cast<std::size_t>(std::max(0, width - static_cast<int>(text.size()))), ' ');
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

// The high bit of every byte of `word` that is a comma, exactly (no borrow runs between bytes).
std::uint64_t commaBits(std::uint64_t word) {
    constexpr std::uint64_t kCommas = 0x2C2C2C2C2C2C2C2Cull;
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    const std::uint64_t x = word ^ kCommas; // a comma becomes a zero byte
    return ~(((x & kLow7) + kLow7) | x | kLow7);
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

std::size_t columnCount(std::string_view line) {
    return static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1;
}

std::string_view columnText(std::string_view line, std::size_t n) {
    if (n == 0) return {};
    // Every query and index build asks for one of the first columns of each line: those are split
    // without taking memory.
    constexpr std::size_t kFew = 4;
    std::array<std::string_view, kFew> few;
    std::vector<std::string_view> many(n > kFew ? n : 0);
    std::string_view* const columns = n > kFew ? many.data() : few.data();
    if (leadingColumns(line, columns, n) < n) return {};
    return trimBlanks(columns[n - 1]);
}

std::size_t leadingColumns(std::string_view line, std::string_view* out, std::size_t count) {
    if (count == 0) return 0;
    const char* const begin = line.data();
    std::size_t found = 0;
    std::size_t start = 0;
    // Ends the column at the comma at `at`; true once `count` columns are found.
    const auto columnEndsAt = [&](std::size_t at) {
        out[found++] = std::string_view(begin + start, at - start);
        start = at + 1;
        return found == count;
    };
    // The commas are found many bytes at a time: a rain walk looks for some 27 of them on each of
    // thousands of lines.
    std::size_t at = 0;
#if defined(__SSE2__)
    const __m128i comma = _mm_set1_epi8(',');
    for (; line.size() - at >= 16; at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + at));
        for (unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, comma))); bits != 0;
             bits &= bits - 1)
            if (columnEndsAt(at + static_cast<std::size_t>(std::countr_zero(bits)))) return found;
    }
#endif
    if constexpr (std::endian::native == std::endian::little) {
        for (; line.size() - at >= 8; at += 8) {
            std::uint64_t word;
            std::memcpy(&word, begin + at, 8);
            for (std::uint64_t bits = commaBits(word); bits != 0; bits &= bits - 1)
                if (columnEndsAt(at + (static_cast<std::size_t>(std::countr_zero(bits)) >> 3))) return found;
        }
    }
    for (; at < line.size(); ++at)
        if (begin[at] == ',' && columnEndsAt(at)) return found;
    out[found] = std::string_view(begin + start, line.size() - start);
    return found + 1;
}

std::int64_t leadingNumber(std::string_view text) {
    text = trimBlanks(text);
    bool negative = false;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    std::int64_t value = 0;
    constexpr std::int64_t kLargest = std::numeric_limits<std::int64_t>::max();
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (value > (kLargest - digit) / 10) break; // more digits than 64 bits hold: keep what fits
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

RecordLineParser::RecordLineParser() : sample_(cleared_) {}

const WeatherSample& RecordLineParser::parse(std::string_view line) {
    // This runs for every record of every query: the commas are found many bytes at a time, and
    // only the column positions ever change, so the other positions of the reused sample keep the
    // cleared values they started with.
    line = stripLineEnd(line);
    const std::size_t found = leadingColumns(line, columns_.data(), kReadColumns);
    for (std::size_t c = 0; c < found; ++c)
        assignText(sample_.text(kHistoryColumns[c]), trimBlanks(columns_[c]));
    for (std::size_t c = found; c < kReadColumns; ++c)
        sample_.text(kHistoryColumns[c]) = cleared_.text(kHistoryColumns[c]);
    return sample_;
}

WeatherSample parseHistoryLine(std::string_view line) {
    RecordLineParser parser;
    return parser.parse(line);
}

} // namespace nimbrel
