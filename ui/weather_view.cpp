#include "ui/weather_view.h"

#include "app/acquisition_session.h"
#include "app/alarm_form.h"
#include "app/compass_names.h"
#include "app/configuration.h"
#include "app/language_table.h"
#include "app/scope_form.h"
#include "app/view_boxes.h"
#include "notify/desktop_notifier.h"
#include "presentation/record_builders.h"
#include "presentation/units.h"
#include "station/alarm_thresholds.h"
#include "station/min_max_table.h"
#include "station/station_settings.h"
#include "station/weather_sample.h"
#include "store/history_store.h"
#include "ui/controls/alarm_lamp.h"
#include "ui/controls/bar_gauge.h"
#include "ui/controls/beaufort_bar.h"
#include "ui/controls/condition_picture.h"
#include "ui/controls/square_box.h"
#include "ui/controls/station_picture.h"
#include "ui/controls/thermometer.h"
#include "ui/controls/wind_compass.h"
#include "ui/file_change_watch.h"
#include "ui/gui_resources.h"
#include "ui/view_listener.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QScrollArea>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <iostream>

namespace nimbrel {

namespace {

using W = WeatherSample;

// A group's layout, with inner margins a little tighter than the style's so that the view fits a
// small screen.
template <class Layout> Layout* groupLayout(QGroupBox* box) {
    auto* layout = new Layout(box);
    layout->setContentsMargins(6, 6, 6, 6);
    return layout;
}

// A column's caption: a little smaller and paler than the values it stands over.
QLabel* smallCaption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont small = label->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    label->setFont(small);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

// The widest texts a value of this kind takes in the station's units, so that a table keeps its column
// widths from one reading to the next without every column being as wide as the widest quantity.
QStringList widestValueTexts(BoxUnit unit) {
    switch (unit) {
    case BoxUnit::humidity:
        return {QStringLiteral("100 %")};
    case BoxUnit::indoorTemperature:
    case BoxUnit::outdoorTemperature:
        return {QStringLiteral("-188.8 °F"), QStringLiteral("-88.8 °C")};
    case BoxUnit::pressure:
        return {QStringLiteral("1088.8 Hpa"), QStringLiteral("888.8 mmHg"), QStringLiteral("88.88 inHg")};
    case BoxUnit::wind:
        return {QStringLiteral("188.8 km/h"), QStringLiteral("188.8 knot"), QStringLiteral("188.8 m/h")};
    case BoxUnit::rain:
        // The total grows for years: five digits of mm.
        return {QStringLiteral("88888.8 mm"), QStringLiteral("8888.88 inch")};
    case BoxUnit::beaufort:
        return {QStringLiteral("12 bft")};
    case BoxUnit::none:
        return {QStringLiteral("NNW")};
    }
    return {};
}

int widestValueWidth(const QFontMetrics& metrics, int id) {
    int widest = 0;
    for (const QString& text : widestValueTexts(viewBoxUnit(id)))
        widest = std::max(widest, metrics.horizontalAdvance(text));
    return widest;
}

// A value's text: the field, one space and its unit, even for "---"; a field without unit alone.
QString withUnit(const std::string& value, const std::string& unit) {
    if (unit.empty()) return QString::fromStdString(value);
    return QString::fromStdString(value + " " + unit);
}

} // namespace

WeatherView::WeatherView(const AppContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    setObjectName(QStringLiteral("weatherView"));
    listener_ = new ViewListener(*this);
    buildLayout();
}

WeatherView::~WeatherView() {
    stopMonitor();
}

QString WeatherView::text(TextKey key) const {
    return QString::fromStdString(context_.texts.text(key));
}

QString WeatherView::controlText(int id) const {
    if (auto* label = qobject_cast<QLabel*>(control(id))) return label->text();
    return {};
}

QLabel* WeatherView::valueLabel(int id, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("c%1").arg(id));
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);
    // Wide enough for the longest value of its kind, so the table never jumps.
    label->setMinimumWidth(widestValueWidth(label->fontMetrics(), id) + 8);
    controls_.insert(id, label);
    return label;
}

AlarmLamp* WeatherView::lamp(int id, QWidget* parent) {
    auto* lamp = new AlarmLamp(parent);
    lamp->setObjectName(QStringLiteral("c%1").arg(id));
    controls_.insert(id, lamp);
    return lamp;
}

QGridLayout* WeatherView::valueTable(QWidget* box, std::initializer_list<TableRow> rows, bool withMinimum,
                                     bool withLow) {
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(6);
    auto header = [&](int column, const QString& caption, Qt::Alignment align) {
        grid->addWidget(smallCaption(caption, box), 1, column, align);
    };
    // Column 0 and the one after the last take the spare width, so the table sits in the middle of
    // its room with each caption next to its values.
    const int captionColumn = 1;
    const int currentColumn = 2;
    const int minColumn = 3;
    const int maxColumn = withMinimum ? 4 : 3;
    const int highColumn = maxColumn + 1;
    const int lowColumn = highColumn + 1;
    header(currentColumn, text(TextRow::currentValue), Qt::AlignRight);
    if (withMinimum) header(minColumn, text(TextRow::minimum), Qt::AlignRight);
    header(maxColumn, text(TextRow::maximum), Qt::AlignRight);
    header(highColumn, text(TextRow::high), Qt::AlignHCenter);
    if (withLow) header(lowColumn, text(TextRow::low), Qt::AlignHCenter);

    // Row 0 and the row after the last one take the spare height, so the table sits in the middle.
    int r = 2;
    for (const TableRow& row : rows) {
        auto* caption = new QLabel(row.caption, box);
        grid->addWidget(caption, r, captionColumn);
        QLabel* current = valueLabel(row.current, box);
        QFont bold = current->font();
        bold.setBold(true);
        current->setFont(bold);
        current->setMinimumWidth(widestValueWidth(QFontMetrics(bold), row.current) + 8);
        grid->addWidget(current, r, currentColumn);
        if (row.minimum > 0) grid->addWidget(valueLabel(row.minimum, box), r, minColumn);
        if (row.maximum > 0) grid->addWidget(valueLabel(row.maximum, box), r, maxColumn);
        if (row.lampHigh > 0) grid->addWidget(lamp(row.lampHigh, box), r, highColumn, Qt::AlignCenter);
        if (row.lampLow > 0) grid->addWidget(lamp(row.lampLow, box), r, lowColumn, Qt::AlignCenter);
        ++r;
    }
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(lowColumn + 1, 1);
    grid->setRowStretch(0, 1);
    grid->setRowStretch(r, 1);
    return grid;
}

QWidget* WeatherView::buildIndoorGroup() {
    auto* box = new QGroupBox(text(TextRow::indoor), this);
    box->setObjectName(QStringLiteral("groupIndoor"));
    auto* layout = groupLayout<QHBoxLayout>(box);
    indoorThermometer_ = new Thermometer(box);
    indoorThermometer_->setObjectName(QStringLiteral("indoorThermometer"));
    layout->addWidget(indoorThermometer_);
    layout->addLayout(valueTable(box,
                                 {{text(TextRow::temperature), 10009, 10050, 10048, 1003, 1004},
                                  {text(TextRow::humidity), 10041, 10059, 10061, 1005, 1006}},
                                 true, true),
                      1);
    return box;
}

QWidget* WeatherView::buildOutdoorGroup() {
    auto* box = new QGroupBox(text(TextRow::outdoor), this);
    box->setObjectName(QStringLiteral("groupOutdoor"));
    auto* layout = groupLayout<QHBoxLayout>(box);
    outdoorThermometer_ = new Thermometer(box);
    outdoorThermometer_->setObjectName(QStringLiteral("outdoorThermometer"));
    layout->addWidget(outdoorThermometer_);
    layout->addLayout(valueTable(box,
                                 {{text(TextRow::temperature), 10015, 10045, 10046, 1007, 1008},
                                  {text(TextRow::humidity), 10025, 10055, 10057, 1009, 1010},
                                  {text(TextRow::dewpoint), 10016, 10066, 10068, 1012, 1013},
                                  {text(TextRow::windchill), 10017, 10084, 10085, 1014, 1015}},
                                 true, true),
                      1);
    return box;
}

QWidget* WeatherView::buildPressureGroup() {
    auto* box = new QGroupBox(text(TextRow::pressure), this);
    box->setObjectName(QStringLiteral("groupPressure"));
    auto* layout = groupLayout<QVBoxLayout>(box);
    layout->addLayout(valueTable(box,
                                 {{text(TextRow::relative), 10220, 10070, 10072, 1011, 1021},
                                  {text(TextRow::absolute), 10221, 10076, 10075, 1023, 1025}},
                                 true, true));
    return box;
}

QWidget* WeatherView::buildWindGroup() {
    auto* box = new QGroupBox(text(TextRow::wind), this);
    box->setObjectName(QStringLiteral("groupWind"));
    auto* layout = groupLayout<QGridLayout>(box);

    // The direction's name has no maximum; its lamp watches the alarm's direction.
    QGridLayout* table = valueTable(box,
                                    {{text(TextRow::wind), 10035, 0, 10174, 1017, 0},
                                     {text(TextRow::gust), 10034, 0, 10173, 1018, 0},
                                     {text(TextRow::direction), 10039, 0, 0, kAlarmDirectionControl, 0}},
                                    false, false);
    // The Beaufort lamps and levels exist as the station has them; the bars show the levels.
    for (int id : {1016, 1026}) lamp(id, box)->hide();
    for (int id : {10037, 10038}) valueLabel(id, box)->hide();
    layout->addLayout(table, 0, 0);

    auto* bars = new QGridLayout;
    bars->setVerticalSpacing(2);
    windLevelBar_ = new BeaufortBar(box);
    windLevelBar_->setObjectName(QStringLiteral("c1079"));
    gustLevelBar_ = new BeaufortBar(box);
    gustLevelBar_->setObjectName(QStringLiteral("c1080"));
    controls_.insert(1079, windLevelBar_);
    controls_.insert(1080, gustLevelBar_);
    bars->addWidget(new QLabel(text(TextRow::windLevel), box), 0, 0);
    bars->addWidget(windLevelBar_, 1, 0);
    bars->addWidget(new QLabel(text(TextRow::gustLevel), box), 2, 0);
    bars->addWidget(gustLevelBar_, 3, 0);
    layout->addLayout(bars, 1, 0);

    compass_ = new WindCompass(box);
    compass_->setObjectName(QStringLiteral("c10036"));
    const auto letters = compassLetters(context_.texts);
    compass_->setPointLetters({QString::fromStdString(letters[0]), QString::fromStdString(letters[1]),
                               QString::fromStdString(letters[2]), QString::fromStdString(letters[3])});
    controls_.insert(10036, compass_);
    // Over the group's shaded panel like the other drawn controls, not on a lighter square of its own.
    compass_->setAttribute(Qt::WA_OpaquePaintEvent, false);
    QPalette clear = compass_->palette();
    clear.setColor(QPalette::Window, Qt::transparent);
    compass_->setPalette(clear);
    // The compass grows with the room, and stays round.
    auto* compassBox = new SquareBox(compass_, box);
    compassBox->setObjectName(QStringLiteral("compassBox"));
    layout->addWidget(compassBox, 0, 1, 2, 1);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);
    return box;
}

QWidget* WeatherView::buildRainGroup() {
    auto* box = new QGroupBox(text(TextRow::rain), this);
    box->setObjectName(QStringLiteral("groupRain"));
    auto* layout = groupLayout<QHBoxLayout>(box);
    layout->addLayout(valueTable(box,
                                 {{text(TextRow::hourRainfall), 1048, 0, 10087, 1019, 0},
                                  {text(TextRow::dayRainfall), 10019, 0, 10089, 1020, 0},
                                  {text(TextRow::weekRainfall), 10020, 0, 10091, 0, 0},
                                  {text(TextRow::monthRainfall), 10033, 0, 10093, 0, 0},
                                  {text(TextRow::totalRainfall), 1024, 0, 10021, 0, 0}},
                                 false, false),
                      1);
    const char* gaugeKeys[5] = {"view.gauge.hour", "view.gauge.day", "view.gauge.week", "view.gauge.month",
                                "view.gauge.total"};
    auto* gauges = new QGridLayout;
    gauges->setHorizontalSpacing(4);
    for (int i = 0; i < 5; ++i) {
        rainGauges_[i] = new BarGauge(box);
        rainGauges_[i]->setObjectName(QStringLiteral("rainGauge%1").arg(i));
        gauges->addWidget(rainGauges_[i], 0, i);
        QLabel* caption = smallCaption(text(gaugeKeys[i]), box);
        caption->setAlignment(Qt::AlignHCenter);
        gauges->addWidget(caption, 1, i);
    }
    gauges->setRowStretch(0, 1);
    layout->addLayout(gauges);
    return box;
}

QWidget* WeatherView::buildPictureGroup() {
    auto* box = new QGroupBox(text(TextRow::weather), this);
    box->setObjectName(QStringLiteral("groupCondition"));
    // The two pictures side by side, each growing with the room the window has.
    auto* layout = groupLayout<QHBoxLayout>(box);
    condition_ = new ConditionPicture(box);
    condition_->setObjectName(QStringLiteral("c1028"));
    controls_.insert(1028, condition_);
    condition_->setMinimumSize(96, 96);
    condition_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(condition_, 1);

    // The user's own picture of the station, if the data folder has one; else ours.
    auto* picture = new StationPicture(box);
    picture->setObjectName(QStringLiteral("stationPicture"));
    picture->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    picture->loadFile(QString::fromStdString((context_.dataFolder / "Nimbrel.bmp").string()));
    layout->addWidget(picture, 1);
    return box;
}

void WeatherView::buildLayout() {
    // Two columns, so that the view fits a screen of 1024 x 768 in the longest language; on a larger
    // screen every group shares the room. The wind and rain row splits its width on its own, as its
    // rain table with long captions and five gauges needs more than the groups above it.
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(6, 6, 6, 6);
    rows->setSpacing(6);
    auto* top = new QGridLayout;
    top->setSpacing(6);
    top->addWidget(buildIndoorGroup(), 0, 0);
    top->addWidget(buildOutdoorGroup(), 0, 1);
    top->addWidget(buildPressureGroup(), 1, 0);
    top->addWidget(buildPictureGroup(), 1, 1);
    top->setColumnStretch(0, 1);
    top->setColumnStretch(1, 1);
    top->setRowStretch(0, 3);
    top->setRowStretch(1, 2);
    rows->addLayout(top, 5);
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(6);
    bottom->addWidget(buildWindGroup(), 1);
    bottom->addWidget(buildRainGroup(), 1);
    rows->addLayout(bottom, 3);
}

QWidget* inScrollArea(WeatherView* view) {
    auto* area = new QScrollArea;
    area->setObjectName(QStringLiteral("viewScrollArea"));
    area->setFrameShape(QFrame::NoFrame);
    // The view fills the window; only a window smaller than the view needs (a small screen, a large
    // font) shows scroll bars, and every control stays within reach.
    area->setWidgetResizable(true);
    area->setWidget(view);
    return area;
}

void WeatherView::setValue(int id, const std::string& value, const std::string& unit) {
    if (auto* label = qobject_cast<QLabel*>(control(id))) label->setText(withUnit(value, unit));
}

void WeatherView::showReading(const StationSettings& settings, const WeatherSample& reading) {
    for (const CurrentValueBox& box : currentValueBoxes())
        setValue(box.id, reading[box.position], unitText(box.unit, settings));
    // The reading keeps the station's English direction names (Nimbrel.dat stores them); the user
    // reads them in the letters of the chosen language.
    setValue(10039, localCompassName(context_.texts, reading[W::windDirDesc]), {});

    indoorThermometer_->set(convertTemperature(kThermometerLowC, 1.0F, "°C", settings.indTempUnit),
                            convertTemperature(kThermometerHighC, 1.0F, "°C", settings.indTempUnit),
                            kThermometerDivisions, QString::fromStdString(reading[W::indTemp]));
    outdoorThermometer_->set(convertTemperature(kThermometerLowC, 1.0F, "°C", settings.outTempUnit),
                             convertTemperature(kThermometerHighC, 1.0F, "°C", settings.outTempUnit),
                             kThermometerDivisions, QString::fromStdString(reading[W::outTemp]));
    for (int i = 0; i < kRainGaugeCount; ++i) {
        const RainGauge& gauge = rainGauges()[static_cast<std::size_t>(i)];
        rainGauges_[i]->set(convertRain(gauge.fullMm, 1.0F, "mm", settings.rainUnit), kRainGaugeDivisions,
                            QString::fromStdString(reading[gauge.reading]));
    }
    windLevelBar_->setLevel(QString::fromStdString(reading[W::windsLevel]));
    gustLevelBar_->setLevel(QString::fromStdString(reading[W::gustLevel]));
    compass_->setDirection(QString::fromStdString(reading[W::windDir]));
    condition_->setCondition(QString::fromStdString(reading[W::condition]));
    emit readingShown();
}

void WeatherView::showAlarmLamps(const AlarmThresholds& alarms, const StationSettings& settings,
                                 const WeatherSample& reading) {
    AlarmThresholds shown = alarms;
    thresholdsForDisplay(shown, settings);
    auto setLamp = [this](int id, LampState state) {
        auto* lamp = qobject_cast<AlarmLamp*>(control(id));
        if (lamp == nullptr) return;
        lamp->setState(state);
        lamp->setToolTip(text(state == LampState::Lit     ? "view.lamp.lit"
                              : state == LampState::Armed ? "view.lamp.armed"
                                                          : "view.lamp.disabled"));
    };
    for (const LampRule& rule : lampRules()) {
        setLamp(rule.id,
                lampState(settings.*rule.flag, reading[rule.reading], shown.*rule.threshold, rule.limit));
    }
    setLamp(kAlarmDirectionControl, directionLampState(settings.windDirAlarmFlag, reading[W::winds],
                                                       reading[W::windDir], shown.windDirAlarm));
}

void WeatherView::showMinMax(const StationSettings& settings, const MinMaxTable& table) {
    for (const ScopeBox& box : scopeBoxes())
        setValue(box.valueId, (table.*box.entry).value, unitText(box.unit, settings));
}

void WeatherView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (firstShown_) return;
    firstShown_ = true;
    // The sample values of the form make way for an empty reading before the first cycle.
    const StationSettings settings;
    WeatherSample empty;
    empty.clear();
    showReading(settings, empty);
    showAlarmLamps(AlarmThresholds{}, settings, empty);
    showMinMax(settings, MinMaxTable{});
    if (context_.reader()) {
        followStoredRecords();
        return;
    }
    // The thread starts once the window is on the screen, so its first status text has a place.
    QTimer::singleShot(0, this, &WeatherView::startMonitor);
}

void WeatherView::followStoredRecords() {
    // A store object of the view's own: the History window's search over years holds the shared one,
    // and the window must never wait for it to show the newest line.
    newestRecords_ = std::make_unique<HistoryStore>(context_.store.path(), context_.clock);
    showNewestStoredRecord();
    auto* watch = new FileChangeWatch(QString::fromStdString(context_.store.path()), this);
    connect(watch, &FileChangeWatch::changed, this, &WeatherView::showNewestStoredRecord);
}

void WeatherView::showNewestStoredRecord() {
    // The reader has no station to ask for its units: the file's own base units, as History shows them.
    const StationSettings settings;
    WeatherSample newest;
    newestRecords_->readLastRecord(newest); // reads back from the file's end only; none: every "---"
    sampleForDisplay(newest, settings);
    showReading(settings, newest);
}

void WeatherView::startMonitor() {
    if (!context_.session) return; // closed before its first start
    AcquisitionSession& session = *context_.session;
    // Said on standard error and in the status line, where a user of the window sees it.
    for (const std::string& warning : session.outputConfiguration().warnings) {
        std::cerr << "nimbrel: " << warning << '\n';
        emit statusText(QString::fromStdString(warning));
    }
    // Each comes from a thread of the session's and is queued onto the window's thread; listener_ is
    // a child of the view, so what is still queued when the view goes is dropped with it.
    SessionCallbacks callbacks;
    callbacks.listener = listener_;
    callbacks.connection = [listener = listener_, this](const ConnectionWatch::TickResult& result) {
        QMetaObject::invokeMethod(
            listener, [this, result] { emit connectionSeen(result); }, Qt::QueuedConnection);
    };
    callbacks.outputText = [listener = listener_, this](const std::string& text) {
        QMetaObject::invokeMethod(
            listener, [this, shown = QString::fromStdString(text)] { emit outputText(shown); },
            Qt::QueuedConnection);
    };
    // The window shows the alerts on the desktop unless Nimbrel.ini says notify=off.
    if (session.outputConfiguration().alerts.notify.value_or(true)) {
        if (!notifier_) notifier_ = std::make_unique<DesktopNotifier>(callbacks.outputText, "Nimbrel");
        callbacks.desktop = notifier_.get();
    }
    if (!session.start(std::move(callbacks)))
        QMessageBox::information(this, text(TextRow::applicationTitle), text("view.thread_fail"));
}

std::optional<StationSettings> WeatherView::stationSettings() const {
    if (!context_.session) return std::nullopt;
    return context_.session->stationSettings();
}

bool WeatherView::monitorRunning() const {
    return context_.session && context_.session->polling();
}

void WeatherView::stopMonitor() {
    // Nothing of the threads reaches the window from here on.
    listener_->beginClosing();
    if (!context_.session) return;
    context_.session->stop();
    // The session may go before the view does (the frame's own goes with the frame's members).
    context_.session = nullptr;
}

} // namespace nimbrel
