#include "app/history_export.h"

#include "store/replacing_file.h"

#include <charconv>

namespace nimbrel {

namespace {

void replaceAll(std::string& text, std::string_view word, std::string_view by) {
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + by.size()))
        text.replace(at, word.size(), by);
}

// Rows between two progress reports (and two looks at a cancel).
constexpr std::size_t kProgressStep = 4096;

} // namespace

std::vector<ExportItem> exportItems(const HistoryTitles& titles) {
    std::vector<ExportItem> items;
    for (int c = 0; c < kHistoryGridColumns; ++c) {
        if (kHistoryColumnWidths[static_cast<std::size_t>(c)] <= 0) continue;
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

    const std::size_t total = job.rows->size();
    HistoryRowBuilder builder(job.units);
    std::string cell;
    bool cancelled = false;
    const bool read = job.rows->visit(0, total, [&](const WeatherSample& record, std::size_t row) {
        if (row % kProgressStep == 0 && job.progress && !job.progress(row, total)) {
            cancelled = true;
            return false;
        }
        line.clear();
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (i) line += separator;
            builder.cell(cell, columns[i], record, row);
            line += cell;
        }
        line += "\r\n";
        ++result.rows;
        return file.write(line);
    });
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
