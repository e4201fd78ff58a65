#include "store/history_line.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace nimbrel {
namespace {

// The line layout written out once more, straight from printf, as an independent check.
constexpr const char* kLineFormat =
    "%4s, %19s, %19s, %3s,   %4s, %5s, %4s, %5s, %5s, %5s,   %7s, %7s,   %4s, %4s, %4s, %4s,   %4s, %6s, "
    "%4s, "
    "\t\t%5s, %7s,   %7s, %7s, %7s, %7s, %7s, %8s,   %2s, %2s, %2s, %2s, %2s, %2s, %2s, %2s,   %6s";

std::string printfLine(const std::array<std::string, 38>& t, bool debug) {
    char buffer[2048];
    int n = std::snprintf(buffer, sizeof buffer, kLineFormat, t[0].c_str(), t[1].c_str(), t[2].c_str(),
                          t[3].c_str(), t[4].c_str(), t[5].c_str(), t[6].c_str(), t[7].c_str(), t[8].c_str(),
                          t[9].c_str(), t[10].c_str(), t[11].c_str(), t[12].c_str(), t[13].c_str(),
                          t[14].c_str(), t[15].c_str(), t[16].c_str(), t[17].c_str(), t[18].c_str(),
                          t[19].c_str(), t[20].c_str(), t[21].c_str(), t[22].c_str(), t[23].c_str(),
                          t[24].c_str(), t[25].c_str(), t[26].c_str(), t[27].c_str(), t[28].c_str(),
                          t[29].c_str(), t[30].c_str(), t[31].c_str(), t[32].c_str(), t[33].c_str(),
                          t[34].c_str(), t[35].c_str());
    std::string line(buffer, static_cast<std::size_t>(n));
    if (debug) {
        n = std::snprintf(buffer, sizeof buffer, ", %48s, %6s", t[36].c_str(), t[37].c_str());
        line.append(buffer, static_cast<std::size_t>(n));
    }
    return line + "\r\n";
}

WeatherSample storedSample() {
    WeatherSample s;
    const std::array<std::string, 38> texts = {"   7",
                                               "2024-03-01 10:00:00",
                                               "2024-03-01 09:58:00",
                                               "5",
                                               "45",
                                               "21.5",
                                               "80",
                                               "-3.2",
                                               "-6.1",
                                               "-5.0",
                                               "1013.2",
                                               "1020.1",
                                               "2.4",
                                               "2",
                                               "13.7",
                                               "6",
                                               "4",
                                               "E",
                                               "0",
                                               "123",
                                               "12.3",
                                               "0.3",
                                               "0.3",
                                               "1.2",
                                               "5.0",
                                               "20.1",
                                               "12300.5",
                                               "",
                                               "",
                                               "",
                                               "",
                                               "0",
                                               "1",
                                               "0",
                                               "0",
                                               "0001F0",
                                               "07 2D 00 D7 00 50 E9 FF 25 27 18 20 04 7B 00 00",
                                               "0008C0"};
    for (std::size_t c = 0; c < texts.size(); ++c) s.text(kHistoryColumns[c]) = texts[c];
    return s;
}

std::array<std::string, 38> columnsOf(const WeatherSample& s) {
    std::array<std::string, 38> t;
    for (std::size_t c = 0; c < t.size(); ++c) t[c] = s.text(kHistoryColumns[c]);
    return t;
}

TEST(StoreLine, LayoutMatchesTheFileFormatByteForByte) {
    WeatherSample s = storedSample();
    EXPECT_EQ(formatHistoryLine(s, false), printfLine(columnsOf(s), false));
    EXPECT_EQ(formatHistoryLine(s, true), printfLine(columnsOf(s), true));

    // Wider texts are not cut, empty texts become blanks of the column's width.
    s.text(WeatherSample::windDirDesc) = "NNW-long-name";
    s.text(WeatherSample::relPres) = "";
    EXPECT_EQ(formatHistoryLine(s, false), printfLine(columnsOf(s), false));

    const std::string line = formatHistoryLine(storedSample(), false);
    EXPECT_EQ(line.substr(0, 27), "   7, 2024-03-01 10:00:00, ");
    EXPECT_NE(line.find(", \t\t  123,    12.3,       0.3, "), std::string::npos);
    EXPECT_EQ(line.substr(line.size() - 12), ",   0001F0\r\n");
}

TEST(StoreLine, HeaderNamesTheColumnsAsACommentLine) {
    const std::array<std::string, 38> names = {
        "ID",    "saveTime", "sampleTime", "Crl",     "inHm",     "inTmp",    "ouHu",  "ouTmp",
        "dewPt", "winCl",    "absPres",    "relPres", "wind",     "wLvl",     "gust",  "gLvl",
        "winD",  "Desc",     "cdn",        "rain",    "rainMm",   "incr",     "hourR", "dayR",
        "weekR", "monthR",   "totalR",     "f1",      "f2",       "f3",       "f4",    "f5",
        "f6",    "f7",       "f8",         "hexAdd",  "hexValue", "stackAddr"};
    std::string expected = printfLine(names, true);
    expected[0] = '#';
    EXPECT_EQ(historyHeaderLine(), expected);
    EXPECT_EQ(historyHeaderLine().substr(0, 6), "# ID, ");
    EXPECT_FALSE(isRecordLine(stripLineEnd(historyHeaderLine())));
}

TEST(StoreLine, ReadingBackGivesTheStoredColumns) {
    const WeatherSample written = storedSample();
    for (bool debug : {false, true}) {
        const WeatherSample read = parseHistoryLine(formatHistoryLine(written, debug));
        for (std::size_t c = 0; c < kReadColumns - 1; ++c) {
            const int p = kHistoryColumns[c];
            EXPECT_EQ(read.text(p), std::string(trimBlanks(written.text(p)))) << WeatherSample::nameOf(p);
        }
        EXPECT_EQ(read.text(WeatherSample::hexValue), debug ? written.text(WeatherSample::hexValue) : "");
        // The history pointer is written for the debug window's sake but never read back.
        EXPECT_EQ(read.text(WeatherSample::stackAddr), "");
        EXPECT_EQ(read.text(WeatherSample::conditionDesc), "---");
    }
}

TEST(StoreLine, ReadersTrimBlanksAndAcceptShortAndLfOnlyLines) {
    EXPECT_EQ(trimBlanks(" \t 12.5\t "), "12.5");
    EXPECT_EQ(stripLineEnd("a, b\r\n"), "a, b");
    EXPECT_EQ(stripLineEnd("a, b\n"), "a, b");
    EXPECT_FALSE(isRecordLine(" \t "));
    EXPECT_FALSE(isRecordLine("  # a note"));
    EXPECT_TRUE(isRecordLine("  1, x"));

    // A malformed line fills its leading fields; the rest read as a cleared record,
    // never as the line read before it.
    RecordLineParser parser;
    parser.parse(formatHistoryLine(storedSample(), true));
    const WeatherSample& shortLine = parser.parse("  9 ,\t2024-01-01 00:00:00 , x\n");
    EXPECT_EQ(shortLine.text(WeatherSample::ID), "9");
    EXPECT_EQ(shortLine.text(WeatherSample::saveTime), "2024-01-01 00:00:00");
    EXPECT_EQ(shortLine.text(WeatherSample::sampleTime), "x");
    EXPECT_EQ(shortLine.text(WeatherSample::sampleCircle), "---");
    EXPECT_EQ(shortLine.text(WeatherSample::totalRain), "---");
    EXPECT_EQ(shortLine.text(WeatherSample::windsError), "");
    EXPECT_EQ(shortLine.text(WeatherSample::hexValue), "");

    EXPECT_EQ(columnText("1, 2 ,\t3", 3), "3");
    EXPECT_EQ(columnText("1, 2", 3), "");
    EXPECT_EQ(leadingNumber("  12"), 12);
    EXPECT_EQ(leadingNumber("x"), 0);
}

// The reader's rule written out plainly: the columns between commas, blanks trimmed byte by byte.
std::vector<std::string> plainColumns(std::string_view line) {
    line = stripLineEnd(line);
    std::vector<std::string> columns;
    std::size_t begin = 0;
    while (true) {
        const std::size_t comma = line.find(',', begin);
        std::string column(line.substr(begin, comma == std::string_view::npos ? line.npos : comma - begin));
        while (!column.empty() && (column.front() == ' ' || column.front() == '\t')) column.erase(0, 1);
        while (!column.empty() && (column.back() == ' ' || column.back() == '\t')) column.pop_back();
        columns.push_back(column);
        if (comma == std::string_view::npos) return columns;
        begin = comma + 1;
    }
}

TEST(StoreLine, ParserAndLeadingColumnsReadWhatThePlainSplitReads) {
    std::mt19937 random(17);
    RecordLineParser parser;
    const std::string pieces[] = {",",    ", ", " ", "\t", "-3.5", "---", "", "2009-03-29 10:00:00",
                                  "12,5", "x"};
    for (int i = 0; i < 20000; ++i) {
        std::string line;
        if (i % 2 == 0) {
            WeatherSample s;
            s[WeatherSample::ID] = std::to_string(random() % 10000000);
            s[WeatherSample::sampleTime] = "2009-03-29 10:00:00";
            s[WeatherSample::dewPoint] = "-6.903545";
            s[WeatherSample::rainMm] = std::to_string(random() % 70000) + ".5";
            line = std::string(stripLineEnd(formatHistoryLine(s, i % 4 == 0)));
            if (i % 6 == 0) line.resize(random() % (line.size() + 1)); // torn short
        } else {
            const int n = static_cast<int>(random() % 80);
            for (int k = 0; k < n; ++k) line += pieces[random() % std::size(pieces)];
        }
        const WeatherSample& parsed = parser.parse(line);
        const WeatherSample cleared;
        const std::vector<std::string> plain = plainColumns(line);
        for (std::size_t n : {1, 2, 3, 4, 5, 40})
            ASSERT_EQ(columnText(line, n), n <= plain.size() ? plain[n - 1] : "") << line << " column " << n;
        for (std::size_t c = 0; c < kReadColumns; ++c)
            ASSERT_EQ(parsed.text(kHistoryColumns[c]),
                      c < plain.size() ? plain[c] : cleared.text(kHistoryColumns[c]))
                << line << " column " << c + 1;
        for (std::size_t count : {std::size_t{1}, std::size_t{3}, std::size_t{27}, kReadColumns}) {
            std::array<std::string_view, kReadColumns> columns;
            const std::size_t found = leadingColumns(line, columns.data(), count);
            ASSERT_LE(found, count);
            for (std::size_t c = 0; c < count; ++c) {
                const int position = kHistoryColumns[c];
                const std::string_view expected = parsed.text(position);
                if (c < found)
                    ASSERT_EQ(trimBlanks(columns[c]), expected) << line << " column " << c + 1;
                else
                    ASSERT_EQ(cleared.text(position), expected) << line << " column " << c + 1;
            }
        }
    }
}

// A line read from a block of the file is followed by more of the block: its last column ends with it.
TEST(StoreLine, TheLastColumnEndsWithTheLineWhateverFollowsIt) {
    const std::string block = "1, 2,3";
    std::array<std::string_view, 3> columns;
    EXPECT_EQ(leadingColumns(std::string_view(block).substr(0, 4), columns.data(), 3), 2u);
    EXPECT_EQ(columns[1], " 2");
}

} // namespace
} // namespace nimbrel
