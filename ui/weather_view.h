// WeatherView: the main window's view of the current conditions, min/max values and alarm lamps.
#pragma once

#include "acquisition/connection_watch.h"
#include "app/text_row.h"
#include "station/station_settings.h"
#include "ui/app_context.h"

#include <QHash>
#include <QLabel>
#include <QWidget>
#include <initializer_list>
#include <memory>
#include <optional>

class QGridLayout;

namespace nimbrel {

struct AlarmThresholds;
struct MinMaxTable;
class WeatherSample;
class ViewListener;
class AlertSink;
class AlarmLamp;
class BarGauge;
class Thermometer;
class BeaufortBar;
class WindCompass;
class ConditionPicture;
class HistoryStore;

class WeatherView : public QWidget {
    Q_OBJECT
public:
    explicit WeatherView(const AppContext& context, QWidget* parent = nullptr);
    // Stops and joins the acquisition thread before any control it fills goes away.
    ~WeatherView() override;

    // The three updates of a cycle; on the user-interface thread (ViewListener queues them here).
    void showReading(const StationSettings& settings, const WeatherSample& reading);
    void showAlarmLamps(const AlarmThresholds& alarms, const StationSettings& settings,
                        const WeatherSample& reading);
    void showMinMax(const StationSettings& settings, const MinMaxTable& table);

    // Stops the session's threads and waits for them; nothing they still queued reaches the window.
    // Safe to call more than once.
    void stopMonitor();
    bool monitorRunning() const;
    // The station's settings as the acquisition thread last read them (a copy); nothing before that.
    std::optional<StationSettings> stationSettings() const;

    // A control by its number (10009, 1005, ...), or null.
    QWidget* control(int id) const { return controls_.value(id, nullptr); }
    QString controlText(int id) const;

signals:
    // From the acquisition thread, already on the user-interface thread.
    void statusText(const QString& text);
    // What an output (MQTT, the upload) says, from its own thread, already on the user-interface thread.
    void outputText(const QString& text);
    // How far a long job of the thread is: `done` of `total`; total 0 when it is over.
    void progress(qint64 done, qint64 total);
    void titleChanged(const QString& title);
    // A tick of the session's connection watch, already on the user-interface thread.
    void connectionSeen(const ConnectionWatch::TickResult& result);
    // A reading was put into the boxes (the tray icon draws it from them).
    void readingShown();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildLayout();
    QWidget* buildIndoorGroup();
    QWidget* buildOutdoorGroup();
    QWidget* buildPressureGroup();
    QWidget* buildWindGroup();
    QWidget* buildRainGroup();
    QWidget* buildPictureGroup();
    // One row of a value table: caption, current value, min and max texts, high and low lamps
    // (0 where the row has none).
    struct TableRow {
        QString caption;
        int current = 0;
        int minimum = 0;
        int maximum = 0;
        int lampHigh = 0;
        int lampLow = 0;
    };
    QGridLayout* valueTable(QWidget* box, std::initializer_list<TableRow> rows, bool withMinimum,
                            bool withLow);
    QLabel* valueLabel(int id, QWidget* parent);
    AlarmLamp* lamp(int id, QWidget* parent);
    QString text(TextKey key) const;
    void setValue(int id, const std::string& value, const std::string& unit);
    void startMonitor();
    // A reader shows the history file's newest record, and again whenever the file changes.
    void followStoredRecords();
    void showNewestStoredRecord();

    AppContext context_;
    QHash<int, QWidget*> controls_;
    Thermometer* indoorThermometer_ = nullptr;
    Thermometer* outdoorThermometer_ = nullptr;
    BarGauge* rainGauges_[5] = {};
    BeaufortBar* windLevelBar_ = nullptr;
    BeaufortBar* gustLevelBar_ = nullptr;
    WindCompass* compass_ = nullptr;
    ConditionPicture* condition_ = nullptr;
    bool firstShown_ = false;

    ViewListener* listener_ = nullptr;            // child object: queued calls die with the view
    std::unique_ptr<HistoryStore> newestRecords_; // a reader's look at the history file's end
    std::unique_ptr<AlertSink> notifier_;         // the alerts on the desktop; outlives the session's work
};

// The view inside a scroll area that shows its bars only while the window is smaller than the view
// needs; the window's central widget.
QWidget* inScrollArea(WeatherView* view);

} // namespace nimbrel
