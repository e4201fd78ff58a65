// Export of the history grid into a delimited text file: the column choice, the separator, and the
// streaming writer that the Export dialog and nimbrel-cli export share.
#pragma once

#include "presentation/history_row.h"
#include "presentation/units.h"
#include "store/record_range.h"

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

using HistoryTitles = std::array<std::string, kHistoryGridColumns>;
// The grid's column widths in pixels, by grid column; 0 is a column closed to nothing.
using HistoryWidths = std::array<int, kHistoryGridColumns>;

// One line of the Export dialog's list: "N.title", N the grid column counted from 1.
struct ExportItem {
    int column = 0; // grid column, from 0
    std::string text;
    bool selected = true;
};
// The list as the dialog starts it: every column open at `widths` (the grid's widths as the user left
// them; above 0) in grid order, each selected. A title that holds "-" or "." stays whole.
std::vector<ExportItem> exportItems(const HistoryTitles& titles, const HistoryWidths& widths);

// The separator as typed or chosen: every "TAB" becomes a tab, then every "BLANK" a blank; any other
// text is used as it stands (it is data, never a pattern), and "" joins the cells with nothing.
std::string separatorFromText(std::string_view typed);
// The choices of the separator box, the same in every language.
inline constexpr std::array<std::string_view, 7> kSeparatorChoices = {"TAB", "BLANK", "|", ",", ";", ".", ":"};

struct ExportChoice {
    std::vector<int> columns; // grid columns from 0, in the order they are written
    std::string separator = "\t";
    bool header = false;
};
// The dialog's default for the grid as it opens (kHistoryColumnWidths): every item of exportItems in
// its order, TAB, no header.
ExportChoice defaultExportChoice();
// Column numbers as the dialog's list shows them ("4,3,1"; 1 is "No") into grid columns. Nothing, and
// why in `error`, for an empty list, a number outside 1..35 or anything that is not a number.
std::optional<std::vector<int>> parseExportColumns(std::string_view text, std::string& error);

enum class ExportStatus {
    written,   // the file holds the export
    cancelled, // the user stopped it; the target is as it was
    ownFile,   // the target is one of the files the program keeps (refused; nothing written)
    failed,    // a read or write failed; the target is as it was; `reason` says what failed
};
struct ExportResult {
    ExportStatus status = ExportStatus::failed;
    std::string reason;
    std::size_t rows = 0;
};

struct ExportJob {
    const RecordRange* rows = nullptr;   // the grid's rows
    UnitSelection units;                 // the grid's units and formats
    const HistoryTitles* titles = nullptr;
    ExportChoice choice;
    std::string target;
    // Files that must never be overwritten by an export (the history file, the configuration).
    std::vector<std::string> protectedFiles;
    // Called every few thousand rows with rows written and rows in all; returning false cancels.
    std::function<bool(std::size_t done, std::size_t total)> progress;
};

// Writes the header line (when chosen) and every row of the range, each as the chosen cells joined by
// the separator and ended by CR LF, UTF-8 without a byte-order mark. Rows stream from the file through
// the row builder page by page; the target is replaced only when all of it is on disk.
ExportResult exportHistory(const ExportJob& job);

} // namespace nimbrel
