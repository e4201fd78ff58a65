// HistoryModel: the History window's grid over the records of one search, each cell built when shown.
#pragma once

#include "app/history_export.h"
#include "presentation/history_row.h"
#include "presentation/units.h"
#include "store/record_range.h"

#include <QAbstractTableModel>
#include <cstddef>
#include <deque>
#include <memory>

namespace nimbrel {

// The rows are line positions in the history file (a RecordRange); a row is read and parsed only when
// the grid asks for one of its cells, a page of rows at a time, and the few pages last asked for are
// kept. So a search over ten years fills the grid at once and scrolling anywhere costs one page.
// The units and titles are the window's, fixed for its lifetime. User-interface thread only.
class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Rows parsed together, and how many such pages are kept.
    static constexpr std::size_t kPageRows = 256;
    static constexpr std::size_t kKeptPages = 4;

    HistoryModel(const UnitSelection& units, const HistoryTitles& titles, QObject* parent = nullptr);

    // Shows the rows of a new search in place of everything before (a model reset); null shows none.
    void setRange(std::shared_ptr<const RecordRange> rows);
    void clear() { setRange(nullptr); }
    // The rows shown (never null): the export writes exactly these.
    std::shared_ptr<const RecordRange> range() const { return rows_; }
    const UnitSelection& units() const { return units_; }
    const HistoryTitles& titles() const { return titles_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Page {
        std::size_t first = 0;
        SampleList records;
    };
    const WeatherSample& recordAt(std::size_t row) const;

    UnitSelection units_;
    HistoryTitles titles_;
    std::shared_ptr<const RecordRange> rows_;
    // The pages last read, the latest first. Filled from data(), hence mutable.
    mutable std::deque<Page> pages_;
    mutable HistoryRowBuilder builder_;
    mutable std::string cell_;
};

} // namespace nimbrel
