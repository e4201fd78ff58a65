// One line of the PC history file: formatting a record as a line and reading a line back.
#pragma once

#include "station/weather_sample.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nimbrel {

// The file's columns in order: the sample position that each column holds.
// Columns 1 to 36 are every line's; 37 and 38 only debug lines carry.
inline constexpr std::array<int, 38> kHistoryColumns = {
    WeatherSample::ID,
    WeatherSample::saveTime,
    WeatherSample::sampleTime,
    WeatherSample::sampleCircle,
    WeatherSample::indHumi,
    WeatherSample::indTemp,
    WeatherSample::outHumi,
    WeatherSample::outTemp,
    WeatherSample::dewPoint,
    WeatherSample::windChill,
    WeatherSample::absPres,
    WeatherSample::relPres,
    WeatherSample::winds,
    WeatherSample::windsLevel,
    WeatherSample::gust,
    WeatherSample::gustLevel,
    WeatherSample::windDir,
    WeatherSample::windDirDesc,
    WeatherSample::condition,
    WeatherSample::rain,
    WeatherSample::rainMm,
    WeatherSample::increment,
    WeatherSample::hourRain,
    WeatherSample::dayRain,
    WeatherSample::weekRain,
    WeatherSample::monthRain,
    WeatherSample::totalRain,
    WeatherSample::f1,
    WeatherSample::f2,
    WeatherSample::f3,
    WeatherSample::f4,
    WeatherSample::windsError,
    WeatherSample::gustError,
    WeatherSample::rainError,
    WeatherSample::totalRainOverflow,
    WeatherSample::hexAdd,
    WeatherSample::hexValue,
    WeatherSample::stackAddr,
};

// Columns of a line written without the debug part; a shorter line is malformed.
inline constexpr std::size_t kDataLineColumns = 36;
// Columns that readers take; the debug line's stack address is never read back.
inline constexpr std::size_t kReadColumns = 37;

// The record as one line of the file, line end (CR LF) included. With the debug
// part the raw bytes and the station's history pointer follow the address.
std::string formatHistoryLine(const WeatherSample& sample, bool withDebugPart);

// The comment line that heads a file written with DebugFlag on: the column names
// laid out like a data line, its first character replaced by "#". Line end included.
std::string historyHeaderLine();

// The small per-line helpers are inline: every query and rain walk calls them on each line.

// Removes blanks (spaces and tabs) at both ends.
inline std::string_view trimBlanks(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    return text.substr(begin, end - begin);
}

// A line as read from the file, without its LF; a CR before the LF is dropped too,
// so files with CR LF and with LF line ends read alike.
inline std::string_view stripLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

// True when a line (line end already stripped) holds a record: not blank, not a comment.
inline bool isRecordLine(std::string_view line) {
    const std::string_view trimmed = trimBlanks(line);
    return !trimmed.empty() && trimmed.front() != '#';
}

// Number of comma-separated columns of a line.
std::size_t columnCount(std::string_view line);

// The trimmed text of column n (from 1) of a line, or an empty view when the line has fewer columns.
std::string_view columnText(std::string_view line, std::size_t n);

// The texts of the first `count` columns of a line (line end already stripped) into `out`, blanks NOT
// yet trimmed: trimBlanks of a column gives what RecordLineParser reads there. Returns how many of
// them the line has. For readers that need only a few leading columns of many lines.
std::size_t leadingColumns(std::string_view line, std::string_view* out, std::size_t count);

// The number in the first column (leading digits, as the file's ID), 0 when there is none.
std::int64_t leadingNumber(std::string_view text);

// Turns record lines into samples. Every line is read into a cleared record: a
// malformed line with missing columns shows "---" or "" there, never the values of
// the line before it. The returned sample is reused by the next parse.
class RecordLineParser {
public:
    RecordLineParser();
    const WeatherSample& parse(std::string_view line);

private:
    WeatherSample cleared_;
    WeatherSample sample_;
    std::array<std::string_view, kReadColumns> columns_; // kept, so that no line clears it first
};

// One line read into a fresh record (see RecordLineParser).
WeatherSample parseHistoryLine(std::string_view line);

} // namespace nimbrel
