#include "ui/climate_dialog.h"

#include "app/climate_cache.h"
#include "app/climate_report.h"
#include "app/climate_table.h"
#include "app/language_table.h"
#include "presentation/record_builders.h"
#include "store/history_store.h"
#include "ui/save_file_dialog.h"
#include "ui/window_texts.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <numeric>

namespace nimbrel {

ClimateModel::ClimateModel(const LanguageTable& texts, const UnitSelection& units, QObject* parent)
    : QAbstractTableModel(parent), texts_(texts), units_(units) {}

void ClimateModel::setRows(std::vector<SummaryRow> rows, SummaryBy by) {
    beginResetModel();
    rows_ = std::move(rows);
    by_ = by;
    endResetModel();
}

int ClimateModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ClimateModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(summaryColumns(by_).size());
}

QVariant ClimateModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(index.column() == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    return QString::fromStdString(
        summaryCell(rows_[static_cast<std::size_t>(index.row())], static_cast<std::size_t>(index.column()), by_, units_));
}

QVariant ClimateModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    return QString::fromStdString(summaryColumnTitle(texts_, summaryColumns(by_)[static_cast<std::size_t>(section)]));
}

int openClimateWindow(const AppContext& context, const std::optional<StationSettings>& settings, QWidget* parent) {
    ClimateDialog dialog(context, settings ? unitSelectionOf(*settings) : UnitSelection{}, parent);
    return dialog.exec();
}

ClimateDialog::ClimateDialog(const AppContext& context, const UnitSelection& units, QWidget* parent)
    : QDialog(parent), context_(context), units_(units), station_(readReportStation(context.dataFolder)) {
    setObjectName(QStringLiteral("climateDialog"));
    setModal(true);
    setWindowTitle(qtext(context_.texts, "climate.caption"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);
    build();
    load();
}

ClimateDialog::~ClimateDialog() {
    task_.wait();
}

namespace {

QTableView* gridOf(QAbstractTableModel* model, const QString& name) {
    auto* view = new QTableView;
    view->setObjectName(name);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->verticalHeader()->setVisible(false);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return view;
}

QWidget* page(QLayout* top, QWidget* body) {
    auto* widget = new QWidget;
    auto* layout = new QVBoxLayout(widget);
    if (top) layout->addLayout(top);
    layout->addWidget(body, 1);
    return widget;
}

QHBoxLayout* labelled(const QString& caption, QWidget* field) {
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(caption);
    label->setBuddy(field);
    row->addWidget(label);
    row->addWidget(field);
    return row;
}

} // namespace

void ClimateDialog::build() {
    const LanguageTable& t = context_.texts;
    dayModel_ = new ClimateModel(t, units_, this);
    monthModel_ = new ClimateModel(t, units_, this);

    monthsBy_ = new QComboBox;
    monthsBy_->setObjectName(QStringLiteral("climateMonthsBy"));
    monthsBy_->addItems({qtext(t, "climate.by.month"), qtext(t, "climate.by.year")});
    connect(monthsBy_, &QComboBox::currentIndexChanged, this, &ClimateDialog::showMonths);
    QHBoxLayout* monthsTop = labelled(qtext(t, "climate.by"), monthsBy_);
    monthsTop->addStretch(1);

    recordsMonth_ = new QComboBox;
    recordsMonth_->setObjectName(QStringLiteral("climateRecordsMonth"));
    recordsMonth_->addItem(qtext(t, "climate.records.all"));
    for (int m = 1; m <= 12; ++m) recordsMonth_->addItem(QStringLiteral("%1").arg(m, 2, 10, QLatin1Char('0')));
    connect(recordsMonth_, &QComboBox::currentIndexChanged, this, &ClimateDialog::showRecords);
    QHBoxLayout* recordsTop = labelled(qtext(t, "climate.records.month"), recordsMonth_);
    recordsTop->addStretch(1);
    records_ = new QTableWidget(0, 4);
    records_->setObjectName(QStringLiteral("climateRecords"));
    records_->setHorizontalHeaderLabels({qtext(t, "climate.records.name"), qtext(t, "climate.records.value"),
                                         qtext(t, "climate.records.unit"), qtext(t, "climate.records.when")});
    records_->verticalHeader()->setVisible(false);
    records_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    records_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    reportKind_ = new QComboBox;
    reportKind_->setObjectName(QStringLiteral("climateReportKind"));
    reportKind_->addItems({qtext(t, "climate.report.monthly"), qtext(t, "climate.report.yearly")});
    reportPeriod_ = new QDateEdit;
    reportPeriod_->setObjectName(QStringLiteral("climateReportPeriod"));
    reportPeriod_->setDisplayFormat(QStringLiteral("yyyy-MM"));
    reportPeriod_->setDate(QDateTime::fromSecsSinceEpoch(context_.clock.nowSeconds()).date());
    save_ = new QPushButton(qtext(t, "climate.report.save"));
    save_->setObjectName(QStringLiteral("climateReportSave"));
    connect(reportKind_, &QComboBox::currentIndexChanged, this, [this](int kind) {
        reportPeriod_->setDisplayFormat(kind == 1 ? QStringLiteral("yyyy") : QStringLiteral("yyyy-MM"));
        showReport();
    });
    connect(reportPeriod_, &QDateEdit::dateChanged, this, &ClimateDialog::showReport);
    connect(save_, &QPushButton::clicked, this, &ClimateDialog::onSave);
    auto* reportTop = labelled(qtext(t, "climate.report.kind"), reportKind_);
    reportTop->addWidget(reportPeriod_);
    reportTop->addStretch(1);
    reportTop->addWidget(save_);
    report_ = new QPlainTextEdit;
    report_->setObjectName(QStringLiteral("climateReport"));
    report_->setReadOnly(true);
    report_->setLineWrapMode(QPlainTextEdit::NoWrap);
    report_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    tabs_ = new QTabWidget;
    tabs_->setObjectName(QStringLiteral("climateTabs"));
    tabs_->addTab(page(nullptr, gridOf(dayModel_, QStringLiteral("climateDays"))), qtext(t, "climate.tab.days"));
    tabs_->addTab(page(monthsTop, gridOf(monthModel_, QStringLiteral("climateMonths"))), qtext(t, "climate.tab.months"));
    tabs_->addTab(page(recordsTop, records_), qtext(t, "climate.tab.records"));
    tabs_->addTab(page(reportTop, report_), qtext(t, "climate.tab.report"));

    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("climateStatus"));
    auto* close = commandButton(qtext(t, TextRow::cancel), 2);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(qtext(t, "climate.units", {units_.outdoorTemperature + ", " + units_.pressure + ", " +
                                                            units_.wind + ", " + units_.rain})));
    bottom->addWidget(status_, 1);
    bottom->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 1);
    layout->addLayout(bottom);
    resize(960, 620);
}

void ClimateDialog::load() {
    tabs_->setEnabled(false);
    status_->setText(qtext(context_.texts, "climate.working"));
    const std::string history = context_.store.path();
    const std::filesystem::path cache = climateCachePath(context_.dataFolder);
    task_.start<ClimateDays>(
        this, [history, cache] { return loadClimateDays(history, cache); },
        [this](ClimateDays& loaded) {
            if (!loaded.read) {
                status_->setText(qtext(context_.texts, "climate.failed", {loaded.failure}));
                return;
            }
            days_ = std::make_shared<const std::vector<ClimateDay>>(std::move(loaded.days));
            const auto records = std::accumulate(days_->begin(), days_->end(), std::int64_t{0},
                                                 [](std::int64_t n, const ClimateDay& d) { return n + d.records; });
            status_->setText(qtext(context_.texts, "climate.ready", {std::to_string(days_->size()), std::to_string(records)}));
            tabs_->setEnabled(true);
            // The newest day first comes into view: the grids scroll to their end.
            dayModel_->setRows(summarize(*days_, SummaryBy::day, units_), SummaryBy::day);
            if (!days_->empty()) {
                findChild<QTableView*>(QStringLiteral("climateDays"))->scrollToBottom();
                reportPeriod_->setDate(QDate::fromString(QString::fromStdString(days_->back().date.str()), Qt::ISODate));
            }
            showMonths();
            showRecords();
            showReport();
        });
}

void ClimateDialog::showMonths() {
    if (!days_) return;
    const SummaryBy by = monthsBy_->currentIndex() == 1 ? SummaryBy::year : SummaryBy::month;
    monthModel_->setRows(summarize(*days_, by, units_), by);
}

void ClimateDialog::showRecords() {
    if (!days_) return;
    const auto named = namedRecords(climateRecords(*days_, units_, recordsMonth_->currentIndex()), units_, context_.texts);
    records_->setRowCount(static_cast<int>(named.size()));
    for (int r = 0; r < records_->rowCount(); ++r) {
        const NamedRecord& n = named[static_cast<std::size_t>(r)];
        int c = 0;
        for (const std::string* text : {&n.name, &n.value, &n.unit, &n.when}) {
            auto* item = new QTableWidgetItem(QString::fromStdString(*text));
            if (c == 1) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            records_->setItem(r, c++, item);
        }
    }
}

void ClimateDialog::showReport() {
    if (!days_) return;
    const QString period = reportPeriod_->date().toString(reportKind_->currentIndex() == 1 ? QStringLiteral("yyyy")
                                                                                           : QStringLiteral("yyyy-MM"));
    report_->setPlainText(
        QString::fromStdString(climateReport(*days_, period.toStdString(), units_, context_.texts, station_)));
}

QString ClimateDialog::reportText() const {
    return report_->toPlainText();
}

void ClimateDialog::onSave() {
    const LanguageTable& t = context_.texts;
    const QString name = QStringLiteral("Nimbrel-%1.txt").arg(reportPeriod_->text());
    const QString path = askSavePath(this, {QStringLiteral("climateFileDialog"), QStandardPaths::DocumentsLocation,
                                            {qtext(t, "export.filter.txt"), qtext(t, "export.filter.all")},
                                            QStringLiteral("txt"), name, nullptr});
    if (!path.isEmpty() && saveReportTo(path))
        tell(qtext(t, "climate.report.saved", {QDir::toNativeSeparators(path).toStdString()}));
}

bool ClimateDialog::saveReportTo(const QString& path) {
    std::string failure;
    const std::string target = path.toStdString();
    if (saveClimateReport(target, reportText().toStdString(), context_.dataFolder, failure)) return true;
    const std::string shown = QDir::toNativeSeparators(path).toStdString();
    tell(failure.empty() ? qtext(context_.texts, "climate.report.own_file", {shown})
                         : qtext(context_.texts, "climate.report.save_failed", {shown, failure}));
    return false;
}

void ClimateDialog::tell(const QString& message) {
    QMessageBox box(QMessageBox::NoIcon, qtext(context_.texts, TextRow::applicationTitle), message, QMessageBox::Ok,
                    this);
    box.setObjectName(QStringLiteral("climateMessage"));
    box.exec();
}

} // namespace nimbrel
