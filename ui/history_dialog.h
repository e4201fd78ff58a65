// HistoryDialog: the stored records of a picked time range in a grid, with the commands that repeat the
// search, empty the PC's history or the station's, hand the range to the Graph window and export the grid.
#pragma once

#include "app/history_search.h"
#include "presentation/units.h"
#include "ui/app_context.h"
#include "ui/background_task.h"
#include "ui/picked_range.h"

#include <QDate>
#include <QDialog>
#include <QTime>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QComboBox;
class QDateEdit;
class QLabel;
class QProgressDialog;
class QPushButton;
class QTableView;
class QTimeEdit;

namespace nimbrel {

class HistoryModel;
class RangeSearchBox;

using GraphOpener = std::function<void(const PickedRange&)>;

// The History command: runs the window modally over the store, every value in `units` (the copy of the
// station's settings taken as the command starts). When the user leaves it through Graph..., `graph`
// gets the range after the window has closed; without `graph` that button is disabled.
void openHistoryWindow(const AppContext& context, const UnitSelection& units, QWidget* parent,
                       const GraphOpener& graph = {});

// The window, "historyDialog". Searches, clears and exports run on a thread of their own, so a search
// over years or a station that stays busy never freezes it; meanwhile the commands are disabled and the
// status label ("historyStatus") says what runs. Controls by number: period box c1089, start date and
// time c1088 and c1090, end date and time c1091 and c1092, grid c1025, Search c3, Refresh c1029,
// Clear Data c1019, Clear Memory c1031, Graph... c5, Export... c1002, Cancel c2. Message boxes are
// "historyMessage" (OK) and "historyQuestion" (Yes/No); the export's progress is "exportProgress" and
// its file dialog "exportFileDialog".
class HistoryDialog : public QDialog {
    Q_OBJECT
public:
    HistoryDialog(const AppContext& context, const UnitSelection& units, QWidget* parent = nullptr);
    // Waits for a task that still runs (an export is told to stop first).
    ~HistoryDialog() override;

    void setGraphOpener(GraphOpener graph);
    // After the window closed through Graph...: hands its range to the opener.
    void openChosenGraph();

    HistoryModel* model() const { return model_; }
    // The range of the last accepted search: the range of Refresh and Graph.
    const HistoryRange& keptRange() const;
    // A search, clear or export is running.
    bool working() const { return task_.running(); }

private:
    void build();
    void onSearch();
    void onRefresh();
    void onClearData();
    void onClearMemory();
    void onGraph();
    void onExport();
    // Empties the grid and lists [from, to] once the store has answered.
    void runSearch(const std::string& from, const std::string& to);
    QString chooseExportFile();
    void setWorking(const QString& what);
    void setIdle(const QString& status);
    void tell(const QString& message);
    bool ask(const std::string& question);

    AppContext context_;
    UnitSelection units_;
    GraphOpener graph_;
    std::optional<PickedRange> graphRange_;

    HistoryModel* model_ = nullptr;
    RangeSearchBox* searchBox_ = nullptr;
    QTableView* grid_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QPushButton* clearData_ = nullptr;
    QPushButton* clearMemory_ = nullptr;
    QPushButton* graphButton_ = nullptr;
    QPushButton* export_ = nullptr;
    QProgressDialog* progress_ = nullptr; // while an export runs
    // Set by the progress dialog's Cancel or the window's end; the export looks at it between pages.
    std::shared_ptr<std::atomic<bool>> stopExport_;
    BackgroundTask task_; // last: it ends first, before anything its work uses
};

} // namespace nimbrel
