#include "ui/graph_dialog.h"

#include "app/date_time_formats.h"
#include "app/language_table.h"
#include "chart/chart_file.h"
#include "chart/chart_painter.h"
#include "presentation/record_builders.h"
#include "store/history_store.h"
#include "ui/chart_widget.h"
#include "ui/range_search_box.h"
#include "ui/save_file_dialog.h"
#include "ui/window_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>

namespace nimbrel {

GraphStart lastMonthGraphStart(std::time_t now) {
    const QDateTime end = QDateTime::fromSecsSinceEpoch(now);
    const QDateTime start = QDateTime::fromSecsSinceEpoch(now - periodSeconds(3));
    return GraphStart{3, start.date(), start.time(), end.date(), end.time()};
}

int openGraphWindow(const AppContext& context, const UnitSelection& units, int axisClockIndex,
                    const GraphStart& start, QWidget* parent) {
    GraphDialog dialog(context, units, axisClockIndex, start, parent);
    return dialog.exec();
}

int openGraphWindow(const AppContext& context, const std::optional<StationSettings>& settings,
                    const GraphStart& start, QWidget* parent) {
    return openGraphWindow(context, settings ? unitSelectionOf(*settings) : UnitSelection{},
                           settings ? settings->formats.axisClockIndex : 0, start, parent);
}

GraphDialog::GraphDialog(const AppContext& context, const UnitSelection& units, int axisClockIndex,
                         const GraphStart& start, QWidget* parent)
    : QDialog(parent), context_(context), units_(units), axisClockIndex_(axisClockIndex),
      stop_(std::make_shared<std::atomic<bool>>(false)) {
    setObjectName(QStringLiteral("graphDialog"));
    setModal(true);
    setWindowTitle(qtext(context_.texts, TextRow::graph));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);
    build();

    // The pickers hold the History window's times, or the last 30 days.
    searchBox_->setPicked(start);
    onSearch();
}

GraphDialog::~GraphDialog() {
    stop_->store(true);
    task_.wait();
}

void GraphDialog::build() {
    const LanguageTable& t = context_.texts;

    searchBox_ = new RangeSearchBox(t, units_, context_.clock);
    connect(searchBox_, &RangeSearchBox::searchRequested, this, &GraphDialog::onSearch);

    chart_ = new ChartWidget;
    chart_->setObjectName(QStringLiteral("c1093"));

    series_ = new QComboBox;
    series_->setObjectName(QStringLiteral("c1095"));
    for (int q = 0; q < kGraphQuantities; ++q)
        series_->addItem(QString::fromStdString(graphQuantityText(t, q)));
    type_ = new QComboBox;
    type_->setObjectName(QStringLiteral("c1096"));
    for (int i = 0; i < kChartTypes; ++i) type_->addItem(qtext(t, rowAfter(TextRow::lineChart, i)));
    view3D_ = new QCheckBox(qtext(t, "graph.3d"));
    view3D_->setObjectName(QStringLiteral("c1001"));
    connect(series_, &QComboBox::currentIndexChanged, this, &GraphDialog::redraw);
    connect(type_, &QComboBox::currentIndexChanged, this, &GraphDialog::redraw);
    connect(view3D_, &QCheckBox::toggled, this, &GraphDialog::redraw);

    refresh_ = commandButton(qtext(t, TextRow::refresh), 1029);
    export_ = commandButton(qtext(t, "history.export"), 1002);
    auto* cancel = commandButton(qtext(t, TextRow::cancel), 2);
    connect(refresh_, &QPushButton::clicked, this, &GraphDialog::onRefresh);
    connect(export_, &QPushButton::clicked, this, &GraphDialog::onExport);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("graphStatus"));
    status_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* bottom = new QHBoxLayout;
    const auto labelledBottom = [bottom](const QString& caption, int id, QWidget* field) {
        auto* label = new QLabel(caption);
        label->setObjectName(QStringLiteral("c%1").arg(id));
        label->setBuddy(field);
        bottom->addWidget(label);
        bottom->addWidget(field);
    };
    labelledBottom(qtext(t, "graph.series"), 1004, series_);
    bottom->addSpacing(8);
    labelledBottom(qtext(t, "graph.type"), 1005, type_);
    bottom->addSpacing(8);
    bottom->addWidget(view3D_);
    bottom->addSpacing(8);
    bottom->addWidget(refresh_);
    bottom->addWidget(export_);
    bottom->addWidget(status_, 1);
    bottom->addSpacing(12);
    bottom->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(searchBox_);
    layout->addWidget(chart_, 1);
    layout->addLayout(bottom);

    // About the station program's 532 by 350 dialog units at a common font.
    resize(std::max(sizeHint().width(), 960), 620);
}

void GraphDialog::onSearch() {
    if (working()) return;
    // A refused range never reaches the chart: it keeps what it shows, and Refresh the old range.
    if (!searchBox_->keepPickedRange()) {
        tell(qtext(context_.texts, TextRow::endBeforeStart));
        return;
    }
    onRefresh();
}

const HistoryRange& GraphDialog::keptRange() const {
    return searchBox_->kept();
}

void GraphDialog::onRefresh() {
    const HistoryRange& kept = searchBox_->kept();
    if (working() || !kept.hasRange()) return;
    runSearch(kept.from(), kept.to());
}

void GraphDialog::runSearch(const std::string& from, const std::string& to) {
    setWorking(true);
    status_->setText(qtext(context_.texts, "history.searching"));
    ++storeReads_;
    HistoryStore& store = context_.store;
    const UnitSelection units = units_;
    const int axisClock = axisClockIndex_;
    const std::shared_ptr<std::atomic<bool>> stop = stop_;
    task_.start<std::shared_ptr<const GraphData>>(
        this,
        [&store, units, axisClock, from, to, stop]() -> std::shared_ptr<const GraphData> {
            auto data = std::make_shared<GraphData>(units, axisClock);
            data->load(store, from, to, stop.get());
            return data;
        },
        [this](std::shared_ptr<const GraphData>& data) {
            data_ = std::move(data);
            setWorking(false);
            status_->setText(
                QString::fromStdString(context_.texts.text("history.rows", {std::to_string(data_->size())})));
            redraw();
        });
}

void GraphDialog::redraw() {
    if (!data_) return;
    const GraphChoice choice{series_->currentIndex(), static_cast<ChartType>(type_->currentIndex()),
                             view3D_->isChecked()};
    chart_->setModel(data_->model(choice, context_.texts));
}

void GraphDialog::onExport() {
    const LanguageTable& t = context_.texts;
    // Before the first search there is no chart to save: the user is told why nothing happens.
    if (chart_->isEmpty()) {
        tell(qtext(t, "graph.export_nothing"));
        return;
    }
    // The suffix follows the chosen type, so "Nimbrel" with PNG Files becomes Nimbrel.png.
    const auto suffixFollowsType = [](QFileDialog& dialog) {
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
            for (const char* suffix : {"jpg", "png", "svg"})
                if (filter.contains(QStringLiteral("*.%1").arg(QLatin1String(suffix))))
                    dialog.setDefaultSuffix(QLatin1String(suffix));
        });
    };
    const QString path = askSavePath(this, {QStringLiteral("graphFileDialog"),
                                            QStandardPaths::PicturesLocation,
                                            {qtext(t, "graph.filter.jpeg"), qtext(t, "graph.filter.png"),
                                             qtext(t, "graph.filter.svg"), qtext(t, "export.filter.all")},
                                            QStringLiteral("jpg"),
                                            QStringLiteral("Nimbrel.jpg"),
                                            suffixFollowsType});
    if (!path.isEmpty()) saveChartTo(path);
}

bool GraphDialog::saveChartTo(const QString& path) {
    QString error;
    if (chart::saveChart(chart_->model(), path, chart::kSavedPictureSize, &error)) return true;
    tell(QString::fromStdString(context_.texts.text(
        "graph.save_failed", {QDir::toNativeSeparators(path).toStdString(), error.toStdString()})));
    return false;
}

void GraphDialog::setWorking(bool working) {
    for (QPushButton* b : {searchBox_->searchButton(), refresh_}) b->setEnabled(!working);
}

void GraphDialog::tell(const QString& message) {
    QMessageBox box(QMessageBox::NoIcon, qtext(context_.texts, TextRow::applicationTitle), message,
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("graphMessage"));
    box.exec();
}

} // namespace nimbrel
