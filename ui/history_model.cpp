#include "ui/history_model.h"

#include <algorithm>
#include <climits>

namespace nimbrel {

namespace {

const std::shared_ptr<const RecordRange>& noRows() {
    static const auto none = std::make_shared<const RecordRange>();
    return none;
}

} // namespace

HistoryModel::HistoryModel(const UnitSelection& units, const HistoryTitles& titles, QObject* parent)
    : QAbstractTableModel(parent), units_(units), titles_(titles), rows_(noRows()), builder_(units) {}

void HistoryModel::setRange(std::shared_ptr<const RecordRange> rows) {
    beginResetModel();
    rows_ = rows ? std::move(rows) : noRows();
    pages_.clear();
    endResetModel();
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return static_cast<int>(std::min<std::size_t>(rows_->size(), INT_MAX));
}

int HistoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kHistoryGridColumns;
}

const WeatherSample& HistoryModel::recordAt(std::size_t row) const {
    const auto held = std::find_if(pages_.begin(), pages_.end(), [row](const Page& p) {
        return row >= p.first && row < p.first + p.records.size();
    });
    if (held != pages_.end()) {
        if (held != pages_.begin()) std::rotate(pages_.begin(), held, held + 1);
        return pages_.front().records[row - pages_.front().first];
    }
    Page page;
    page.first = row - row % kPageRows;
    page.records = rows_->records(page.first, kPageRows);
    // records() gives a cleared record for a line it cannot read, so the page covers the row.
    if (pages_.size() >= kKeptPages) pages_.pop_back();
    pages_.push_front(std::move(page));
    return pages_.front().records[row - pages_.front().first];
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.parent().isValid() || index.row() < 0 || index.column() < 0 ||
        index.column() >= kHistoryGridColumns || static_cast<std::size_t>(index.row()) >= rows_->size())
        return {};
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    if (role != Qt::DisplayRole) return {};
    const auto row = static_cast<std::size_t>(index.row());
    builder_.cell(cell_, index.column(), recordAt(row), row);
    return QString::fromStdString(cell_);
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kHistoryGridColumns) return {};
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    if (role != Qt::DisplayRole) return {};
    return QString::fromStdString(titles_[static_cast<std::size_t>(section)]);
}

} // namespace nimbrel
