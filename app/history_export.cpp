#include "app/history_export.h"

#include "store/replacing_file.h"

#include <algorithm>
#include <charconv>
#include <thread>

namespace nimbrel {

namespace {

void replaceAll(std::string& text, std::string_view word, std::string_view by) {
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + by.size()))
        text.replace(at, word.size(), by);
}

// Rows formatted in one go by one thread; two pieces lie between two progress reports (and two
// looks at a cancel).
constexpr std::size_t kPieceRows = 8192;

} // namespace

std::vector<ExportItem> exportItems(const HistoryTitles& titles, const HistoryWidths& widths) {
    std::vector<ExportItem> items;
    for (int c = 0; c < kHistoryGridColumns; ++c) {
        if (widths[static_cast<std::size_t>(c)] <= 0) continue;
        items.push_back({c, std::to_string(c + 1) + "." + titles[static_cast<std::size_t>(c)], true});
    }
    return items;
}

std::string separatorFromText(std::string_view typed) {
    std::string separator(typed);
    replaceAll(separator, "TAB", "\t");
    replaceAll(separator, "BLANK", " ");
    return separator;
}

ExportChoice defaultExportChoice() {
    ExportChoice choice;
    for (int c = 0; c < kHistoryGridColumns; ++c)
        if (kHistoryColumnWidths[static_cast<std::size_t>(c)] > 0) choice.columns.push_back(c);
    return choice;
}

std::optional<std::vector<int>> parseExportColumns(std::string_view text, std::string& error) {
    std::vector<int> columns;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view word = text.substr(0, comma);
        int number = 0;
        const auto [end, code] = std::from_chars(word.data(), word.data() + word.size(), number);
        if (word.empty() || code != std::errc{} || end != word.data() + word.size() || number < 1 ||
            number > kHistoryGridColumns) {
            error = "column \"" + std::string(word) + "\" is not a number from 1 to " +
                    std::to_string(kHistoryGridColumns);
            return std::nullopt;
        }
        columns.push_back(number - 1);
        if (comma == std::string_view::npos) return columns;
        text.remove_prefix(comma + 1);
    }
}

ExportResult exportHistory(const ExportJob& job) {
    ExportResult result;
    for (const std::string& own : job.protectedFiles) {
        if (isSameFile(job.target, own)) {
            result.status = ExportStatus::ownFile;
            return result;
        }
    }
    ReplacingFile file(job.target, ".export-");
    if (!file.open()) {
        result.reason = file.failure();
        return result;
    }
    const std::vector<int>& columns = job.choice.columns;
    const std::string& separator = job.choice.separator;
    std::string line;
    if (job.choice.header) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (i) line += separator;
            line += (*job.titles)[static_cast<std::size_t>(columns[i])];
        }
        line += "\r\n";
        file.write(line);
    }

    // Rows are formatted in pieces, two at a time on two threads (each with its own builder), and
    // written in order: formatting is most of an export's work.
    const std::size_t total = job.rows->size();
    struct Piece {
        HistoryRowBuilder builder;
        std::string text;
        bool read = true;
    };
    const auto format = [&](Piece& piece, std::size_t first) {
        piece.text.clear();
        std::string cell;
        piece.read = job.rows->visit(first, kPieceRows, [&](const WeatherSample& record, std::size_t row) {
            for (std::size_t i = 0; i < columns.size(); ++i) {
                if (i) piece.text += separator;
                piece.builder.cell(cell, columns[i], record, row);
                piece.text += cell;
            }
            piece.text += "\r\n";
            return true;
        });
    };
    // The second piece is read only once it is formatted; the last round of an export may not need it.
    Piece pieces[2] = {{HistoryRowBuilder(job.units), {}, true}, {HistoryRowBuilder(job.units), {}, false}};
    bool cancelled = false;
    bool read = true;
    for (std::size_t first = 0; first < total && read; first += 2 * kPieceRows) {
        if (job.progress && !job.progress(first, total)) {
            cancelled = true;
            break;
        }
        const std::size_t second = first + kPieceRows;
        std::thread helper;
        if (second < total) helper = std::thread([&] { format(pieces[1], second); });
        format(pieces[0], first);
        if (helper.joinable()) helper.join();
        read = pieces[0].read && (second >= total || pieces[1].read);
        if (!read || !file.write(pieces[0].text) || (second < total && !file.write(pieces[1].text))) break;
        result.rows = std::min(total, first + 2 * kPieceRows);
    }
    if (cancelled) {
        file.abandon();
        result.status = ExportStatus::cancelled;
        return result;
    }
    if (!read) {
        file.abandon();
        result.reason = "the history file could not be read";
        return result;
    }
    if (!file.commit()) {
        result.reason = file.failure();
        return result;
    }
    if (job.progress) job.progress(total, total);
    result.status = ExportStatus::written;
    return result;
}

} // namespace nimbrel
