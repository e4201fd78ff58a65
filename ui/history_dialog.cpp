#include "ui/history_dialog.h"

#include "app/configuration.h"
#include "app/date_time_formats.h"
#include "app/history_columns.h"
#include "app/history_export.h"
#include "app/language_table.h"
#include "app/station_commands.h"
#include "station/station_access.h"
#include "store/history_store.h"
#include "ui/export_dialog.h"
#include "ui/history_model.h"
#include "ui/range_search_box.h"
#include "ui/save_file_dialog.h"
#include "ui/window_texts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>

namespace nimbrel {

namespace {

struct ClearOutcome {
    bool done = false;
    std::string reason;
};

} // namespace

void openHistoryWindow(const AppContext& context, const UnitSelection& units, QWidget* parent,
                       const GraphOpener& graph) {
    HistoryDialog dialog(context, units, parent);
    dialog.setGraphOpener(graph);
    if (dialog.exec() == QDialog::Accepted) dialog.openChosenGraph();
}

HistoryDialog::HistoryDialog(const AppContext& context, const UnitSelection& units, QWidget* parent)
    : QDialog(parent), context_(context), units_(units), stopExport_(std::make_shared<std::atomic<bool>>()) {
    setObjectName(QStringLiteral("historyDialog"));
    setModal(true);
    setWindowTitle(qtext(context_.texts, "history.caption"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);
    build();

    const std::time_t now = context_.clock.nowSeconds();
    searchBox_->setRange(now - periodSeconds(0), now);
    onSearch();
}

HistoryDialog::~HistoryDialog() {
    // A search or a clear ends by itself; an export is told to stop at its next page.
    stopExport_->store(true);
    task_.wait();
}

void HistoryDialog::build() {
    const LanguageTable& t = context_.texts;

    // The search: period, start and end, and the default button.
    searchBox_ = new RangeSearchBox(t, units_, context_.clock);
    connect(searchBox_, &RangeSearchBox::searchRequested, this, &HistoryDialog::onSearch);

    // The grid: its cells are built as they come into view; nothing here looks at every row.
    model_ = new HistoryModel(units_, historyColumnTitles(t, units_), this);
    grid_ = new QTableView;
    grid_->setObjectName(QStringLiteral("c1025"));
    grid_->setModel(model_);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setShowGrid(true);
    grid_->setSortingEnabled(false);
    grid_->setWordWrap(false);
    grid_->verticalHeader()->hide(); // the "No" column numbers the rows
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    QHeaderView* header = grid_->horizontalHeader();
    header->setSectionsMovable(true);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    // A column of width 0 stays out of sight until the user drags it open, as the station's users know.
    header->setMinimumSectionSize(0);
    for (int c = 0; c < kHistoryGridColumns; ++c)
        header->resizeSection(c, kHistoryColumnWidths[static_cast<std::size_t>(c)]);

    // The commands along the bottom.
    refresh_ = commandButton(qtext(t, TextRow::refresh), 1029);
    clearData_ = commandButton(qtext(t, "history.clear_data"), 1019);
    clearMemory_ = commandButton(qtext(t, "history.clear_memory"), 1031);
    graphButton_ = commandButton(qtext(t, "history.graph"), 5);
    graphButton_->setEnabled(false); // until a Graph window is there to take the range
    // A reader of the folder empties neither the PC's history nor the station's.
    clearData_->setEnabled(!context_.reader());
    clearMemory_->setEnabled(!context_.reader());
    export_ = commandButton(qtext(t, "history.export"), 1002);
    auto* cancel = commandButton(qtext(t, TextRow::cancel), 2);
    connect(refresh_, &QPushButton::clicked, this, &HistoryDialog::onRefresh);
    connect(clearData_, &QPushButton::clicked, this, &HistoryDialog::onClearData);
    connect(clearMemory_, &QPushButton::clicked, this, &HistoryDialog::onClearMemory);
    connect(graphButton_, &QPushButton::clicked, this, &HistoryDialog::onGraph);
    connect(export_, &QPushButton::clicked, this, &HistoryDialog::onExport);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("historyStatus"));
    status_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {refresh_, clearData_, clearMemory_, graphButton_, export_}) buttons->addWidget(b);
    buttons->addWidget(status_, 1);
    buttons->addSpacing(12);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(searchBox_);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);

    // About the station program's 532 by 348 dialog units at a common font.
    resize(std::max(sizeHint().width(), 960), 600);
}

void HistoryDialog::onSearch() {
    if (working()) return;
    // A refused range changes nothing: the grid and the range that Refresh and Graph use stay.
    if (!searchBox_->keepPickedRange()) {
        tell(qtext(context_.texts, TextRow::endBeforeStart));
        return;
    }
    onRefresh();
}

const HistoryRange& HistoryDialog::keptRange() const {
    return searchBox_->kept();
}

void HistoryDialog::onRefresh() {
    const HistoryRange& kept = searchBox_->kept();
    if (working() || !kept.hasRange()) return;
    runSearch(kept.from(), kept.to());
}

void HistoryDialog::runSearch(const std::string& from, const std::string& to) {
    // Every search starts from an empty grid, so rows of an earlier one never stay behind (nor get
    // exported) when this one finds nothing or cannot read the file.
    model_->clear();
    setWorking(qtext(context_.texts, "history.searching"));
    HistoryStore& store = context_.store;
    task_.start<RecordRange>(
        this,
        [&store, from, to] {
            RecordRange rows = store.findRecordsInRange(from, to);
            // A history file that was never made holds no records yet; that is no failure. (A link
            // that leads nowhere is there, and cannot be read.)
            std::error_code ignored;
            if (!rows.failure().empty() &&
                !std::filesystem::exists(std::filesystem::symlink_status(store.path(), ignored)))
                return RecordRange{};
            return rows;
        },
        [this](RecordRange& rows) {
            if (!rows.failure().empty()) {
                setIdle(QString());
                tell(qtext(context_.texts, "history.read_failed", {context_.store.path(), rows.failure()}));
                return;
            }
            model_->setRange(std::make_shared<const RecordRange>(std::move(rows)));
            grid_->scrollToBottom();
            setIdle(qtext(context_.texts, "history.rows", {std::to_string(model_->rowCount())}));
        });
}

void HistoryDialog::onClearData() {
    if (working() || !ask(context_.texts.text(TextRow::askClearPcData))) return;
    setWorking(QString());
    HistoryStore& store = context_.store;
    task_.start<ClearOutcome>(
        this,
        [&store] {
            ClearOutcome outcome;
            outcome.done = store.clearAllRecords();
            if (!outcome.done) outcome.reason = std::strerror(errno);
            return outcome;
        },
        [this](ClearOutcome& outcome) {
            if (!outcome.done) {
                // The grid keeps its rows: they are still in the file.
                setIdle(qtext(context_.texts, "history.rows", {std::to_string(model_->rowCount())}));
                tell(qtext(context_.texts, "history.clear_failed", {context_.store.path(), outcome.reason}));
                return;
            }
            model_->clear();
            setIdle(qtext(context_.texts, "history.rows", {"0"}));
        });
}

void HistoryDialog::onClearMemory() {
    if (working() || !ask(stationCommandQuestion(StationCommand::clearMemory, context_.texts))) return;
    setWorking(QString());
    StationAccess& station = context_.station;
    Clock& clock = context_.clock;
    const LanguageTable& texts = context_.texts;
    // The wait for a busy station (up to three seconds) happens here, off the window's thread.
    task_.start<FormOutcome>(
        this,
        [&station, &clock, &texts] {
            return runStationCommand(StationCommand::clearMemory, station, clock, texts);
        },
        [this](FormOutcome& cleared) {
            setIdle(qtext(context_.texts, "history.rows", {std::to_string(model_->rowCount())}));
            if (!cleared.done) tell(QString::fromStdString(cleared.message));
        });
}

void HistoryDialog::setGraphOpener(GraphOpener graph) {
    graph_ = std::move(graph);
    graphButton_->setEnabled(graph_ != nullptr && !working());
}

void HistoryDialog::onGraph() {
    if (working() || !graph_) return;
    graphRange_ = searchBox_->picked();
    accept();
}

void HistoryDialog::openChosenGraph() {
    if (graph_ && graphRange_) graph_(*graphRange_);
}

QString HistoryDialog::chooseExportFile() {
    const LanguageTable& t = context_.texts;
    return askSavePath(
        this, {QStringLiteral("exportFileDialog"),
               QStandardPaths::DocumentsLocation,
               {qtext(t, "export.filter.txt"), qtext(t, "export.filter.xls"), qtext(t, "export.filter.all")},
               QStringLiteral("txt"),
               QStringLiteral("Nimbrel.txt"),
               {}});
}

void HistoryDialog::onExport() {
    if (working()) return;
    // The columns as the user left them: one dragged open is offered, one closed to nothing is not.
    HistoryWidths widths{};
    for (int c = 0; c < kHistoryGridColumns; ++c)
        widths[static_cast<std::size_t>(c)] = grid_->horizontalHeader()->sectionSize(c);
    ExportDialog chooser(context_.texts, model_->titles(), widths, this);
    if (chooser.exec() != QDialog::Accepted) return;
    const QString target = chooseExportFile();
    if (target.isEmpty()) return;

    // The job writes exactly the rows the grid holds, through its own copy of the range.
    const std::shared_ptr<const RecordRange> rows = model_->range();
    auto job = std::make_shared<ExportJob>();
    job->units = units_;
    job->choice = chooser.choice();
    job->target = QFile::encodeName(target).toStdString(); // the file name's bytes as the system has them
    job->protectedFiles = {context_.store.path(), (context_.dataFolder / kConfigurationFileName).string()};
    const auto titles = std::make_shared<HistoryTitles>(model_->titles());
    const std::size_t total = rows->size();

    const LanguageTable& t = context_.texts;
    stopExport_->store(false);
    progress_ = new QProgressDialog(qtext(t, "export.progress", {QFileInfo(target).fileName().toStdString()}),
                                    qtext(t, TextRow::cancel), 0,
                                    static_cast<int>(std::min<std::size_t>(total, INT_MAX)), this);
    progress_->setObjectName(QStringLiteral("exportProgress"));
    progress_->setWindowTitle(qtext(t, TextRow::applicationTitle));
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setMinimumDuration(500); // a short export passes without it
    connect(progress_, &QProgressDialog::canceled, this, [stop = stopExport_] { stop->store(true); });
    progress_->setValue(0);
    setWorking(progress_->labelText());

    const std::shared_ptr<std::atomic<bool>> stop = stopExport_;
    task_.start<ExportResult>(
        this,
        [this, job, rows, titles, stop] {
            job->rows = rows.get();
            job->titles = titles.get();
            job->progress = [this, stop](std::size_t done, std::size_t) {
                // The bar moves on the window's thread; the job only looks at the stop flag.
                QMetaObject::invokeMethod(
                    this,
                    [this, done] {
                        if (progress_ && !progress_->wasCanceled())
                            progress_->setValue(static_cast<int>(std::min<std::size_t>(done, INT_MAX)));
                    },
                    Qt::QueuedConnection);
                return !stop->load();
            };
            return exportHistory(*job);
        },
        [this, target](ExportResult& result) {
            delete progress_;
            progress_ = nullptr;
            setIdle(qtext(context_.texts, "history.rows", {std::to_string(model_->rowCount())}));
            const std::string file = QDir::toNativeSeparators(target).toStdString();
            if (result.status == ExportStatus::ownFile)
                tell(qtext(context_.texts, "export.own_file", {file}));
            else if (result.status == ExportStatus::failed)
                tell(qtext(context_.texts, "export.failed", {file, result.reason}));
        });
}

void HistoryDialog::setWorking(const QString& what) {
    status_->setText(what);
    for (QPushButton* b :
         {searchBox_->searchButton(), refresh_, clearData_, clearMemory_, graphButton_, export_})
        b->setEnabled(false);
}

void HistoryDialog::setIdle(const QString& status) {
    status_->setText(status);
    for (QPushButton* b : {searchBox_->searchButton(), refresh_, export_}) b->setEnabled(true);
    for (QPushButton* b : {clearData_, clearMemory_}) b->setEnabled(!context_.reader());
    graphButton_->setEnabled(graph_ != nullptr);
}

void HistoryDialog::tell(const QString& message) {
    QMessageBox box(QMessageBox::NoIcon, qtext(context_.texts, TextRow::applicationTitle), message,
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("historyMessage"));
    box.exec();
}

bool HistoryDialog::ask(const std::string& question) {
    const LanguageTable& t = context_.texts;
    QMessageBox box(QMessageBox::Question, qtext(t, TextRow::operationNotify),
                    QString::fromStdString(question), QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("historyQuestion"));
    box.button(QMessageBox::Yes)->setText(qtext(t, "frame.yes"));
    box.button(QMessageBox::No)->setText(qtext(t, "frame.no"));
    return box.exec() == QMessageBox::Yes;
}

} // namespace nimbrel
