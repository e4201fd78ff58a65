// GraphDialog: one quantity of the stored history drawn over a picked time range, in any of the eleven
// chart types and in 3D, and saved as a picture.
#pragma once

#include "app/graph_data.h"
#include "app/history_search.h"
#include "presentation/units.h"
#include "station/station_settings.h"
#include "ui/app_context.h"
#include "ui/background_task.h"
#include "ui/picked_range.h"

#include <QDate>
#include <QDialog>
#include <QTime>
#include <atomic>
#include <ctime>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTimeEdit;

namespace nimbrel {

class ChartWidget;
class RangeSearchBox;

using GraphStart = PickedRange;

// The start of the Graph command: the last 30 days up to `now`, "a month" in the period box.
GraphStart lastMonthGraphStart(std::time_t now);

// The Graph command: runs the window modally over the store, values in `units` and the time axis in
// `axisClockIndex` (0 24-hour, 1 12-hour): both from the copy of the station's settings that the
// acquisition thread published last. Returns the dialog's result.
int openGraphWindow(const AppContext& context, const UnitSelection& units, int axisClockIndex,
                    const GraphStart& start, QWidget* parent);
// The same with the units and axis clock of `settings`; without settings (no reading yet) the history
// file's own units and a 24-hour axis.
int openGraphWindow(const AppContext& context, const std::optional<StationSettings>& settings,
                    const GraphStart& start, QWidget* parent);

// The window, "graphDialog". A search reads the store on a thread of its own (the window stays
// responsive and its commands are disabled meanwhile); changing the series, the type or 3D draws again
// from the records already read. Controls by number: period box c1089, start date and time c1088 and
// c1090, end date and time c1091 and c1092, Search c3, chart c1093, series box c1095, type box c1096,
// 3D c1001, Refresh c1029, Export... c1002, Cancel c2. Message boxes are "graphMessage", the save dialog
// "graphFileDialog", the status label "graphStatus".
class GraphDialog : public QDialog {
    Q_OBJECT
public:
    GraphDialog(const AppContext& context, const UnitSelection& units, int axisClockIndex,
                const GraphStart& start, QWidget* parent = nullptr);
    ~GraphDialog() override;

    ChartWidget* chart() const { return chart_; }
    // The range of the last accepted search: the range of Refresh.
    const HistoryRange& keptRange() const;
    bool working() const { return task_.running(); }
    // How many times the store was read since the window opened.
    int storeReads() const { return storeReads_; }
    // Records of the last search.
    std::size_t records() const { return data_ ? data_->size() : 0; }

    // Saves the chart as the save dialog's choice does (1024 x 768, type by extension); tells the user
    // when it fails.
    bool saveChartTo(const QString& path);

private:
    void build();
    void onSearch();
    void onRefresh();
    void onExport();
    void runSearch(const std::string& from, const std::string& to);
    void redraw();
    void setWorking(bool working);
    void tell(const QString& message);

    AppContext context_;
    UnitSelection units_;
    int axisClockIndex_;
    std::shared_ptr<const GraphData> data_;
    int storeReads_ = 0;

    RangeSearchBox* searchBox_ = nullptr;
    ChartWidget* chart_ = nullptr;
    QComboBox* series_ = nullptr;
    QComboBox* type_ = nullptr;
    QCheckBox* view3D_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QPushButton* export_ = nullptr;
    QLabel* status_ = nullptr;
    // Set when the window closes: a search still reading stops at its next record.
    std::shared_ptr<std::atomic<bool>> stop_;
    BackgroundTask task_; // last: it ends first, before anything its work uses
};

} // namespace nimbrel
