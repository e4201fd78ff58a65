// RangeSearchBox: the "Search" group of the History and Graph windows: the period box, the start and end
// pickers in the station's date and time formats, and the Search button.
#pragma once

#include "app/history_search.h"
#include "presentation/units.h"
#include "ui/picked_range.h"

#include <QGroupBox>
#include <ctime>
#include <string>

class QComboBox;
class QDateEdit;
class QPushButton;
class QTimeEdit;

namespace nimbrel {

class Clock;
class LanguageTable;

// Controls by number: period box c1089, start date and time c1088 and c1090, end date and time c1091 and
// c1092, Search c3 (the window's default button). A period choice moves only the pickers, to that period
// before now; the window searches when Search is clicked.
class RangeSearchBox : public QGroupBox {
    Q_OBJECT
public:
    RangeSearchBox(const LanguageTable& texts, const UnitSelection& units, Clock& clock,
                   QWidget* parent = nullptr);

    // The pickers from `start` to `end` (local times).
    void setRange(std::time_t start, std::time_t end);
    // The period choice and the four pickers, as handed from one window to the other.
    void setPicked(const PickedRange& picked);
    PickedRange picked() const;
    // The pickers as the range texts that save times are compared with, "%Y-%m-%d %H:%M:%S".
    std::string fromText() const;
    std::string toText() const;
    // Takes the pickers' range as the kept one unless it ends before it starts: a refused range leaves
    // the kept one as it was (the range of Refresh and of what the window shows). False when refused.
    bool keepPickedRange() { return kept_.accept(fromText(), toText()); }
    const HistoryRange& kept() const { return kept_; }

    QPushButton* searchButton() const { return search_; }

signals:
    void searchRequested();

private:
    void onPeriodChosen(int choice);

    Clock& clock_;
    QComboBox* period_ = nullptr;
    QDateEdit* startDate_ = nullptr;
    QTimeEdit* startTime_ = nullptr;
    QDateEdit* endDate_ = nullptr;
    QTimeEdit* endTime_ = nullptr;
    QPushButton* search_ = nullptr;
    HistoryRange kept_;
};

} // namespace nimbrel
