// ClimateDialog: the history summed up by day, month and year, its records, and the monthly and yearly
// climate reports, in four tabs.
#pragma once

#include "app/climate_day.h"
#include "app/climate_report.h"
#include "app/climate_summary.h"
#include "presentation/units.h"
#include "station/station_settings.h"
#include "ui/app_context.h"
#include "ui/background_task.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QDateEdit;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QTableWidget;
class QTabWidget;

namespace nimbrel {

// The rows of one summary grid; cells are formatted when the view asks for them.
class ClimateModel : public QAbstractTableModel {
    Q_OBJECT
public:
    ClimateModel(const LanguageTable& texts, const UnitSelection& units, QObject* parent = nullptr);
    void setRows(std::vector<SummaryRow> rows, SummaryBy by);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const LanguageTable& texts_;
    UnitSelection units_;
    std::vector<SummaryRow> rows_;
    SummaryBy by_ = SummaryBy::day;
};

// The Record menu's Climate command: runs the window modally over the folder's history, values in the
// units of `settings` (without settings, the history file's own). Returns the dialog's result.
int openClimateWindow(const AppContext& context, const std::optional<StationSettings>& settings, QWidget* parent);

// The window, "climateDialog". The history is summed up on a thread of its own (through the cache of
// daily summaries) while the status label "climateStatus" says so; the tabs "climateTabs" then show the
// grids "climateDays" and "climateMonths" (rows by month or year: "climateMonthsBy"), the records
// "climateRecords" (of every month or one: "climateRecordsMonth") and the report "climateReport" (kind
// "climateReportKind", period "climateReportPeriod", Save... "climateReportSave").
class ClimateDialog : public QDialog {
    Q_OBJECT
public:
    ClimateDialog(const AppContext& context, const UnitSelection& units, QWidget* parent = nullptr);
    ~ClimateDialog() override;

    bool working() const { return task_.running(); }
    QString reportText() const;
    // Saves the report shown as Save... does; tells the user when it fails.
    bool saveReportTo(const QString& path);

private:
    void build();
    void load();
    void showMonths();
    void showRecords();
    void showReport();
    void onSave();
    void tell(const QString& message);

    AppContext context_;
    UnitSelection units_;
    ReportStation station_; // the reports' header, read once from Nimbrel.ini
    std::shared_ptr<const std::vector<ClimateDay>> days_;

    QTabWidget* tabs_ = nullptr;
    ClimateModel* dayModel_ = nullptr;
    ClimateModel* monthModel_ = nullptr;
    QComboBox* monthsBy_ = nullptr;
    QComboBox* recordsMonth_ = nullptr;
    QTableWidget* records_ = nullptr;
    QComboBox* reportKind_ = nullptr;
    QDateEdit* reportPeriod_ = nullptr;
    QPlainTextEdit* report_ = nullptr;
    QPushButton* save_ = nullptr;
    QLabel* status_ = nullptr;
    BackgroundTask task_; // last: it ends first, before anything its work uses
};

} // namespace nimbrel
