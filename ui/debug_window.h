// DebugWindow: the service log of the station's memory areas and records, kept for the whole run.
#pragma once

#include "app/debug_log.h"
#include "ui/app_context.h"
#include "ui/station_work.h"

#include <QDialog>
#include <atomic>
#include <memory>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

namespace nimbrel {

// The window (objectName "debugWindow"): the log "c1025", the options "c1027" (read), "c1028" (data)
// and "c1026" (write), the buttons "c1029" (setup read), "c1030" (record read), "c1019" (clear) and
// "c2" (hide), the record number "c1056" under its label "c1031". It tells the station about itself
// while it exists, so the station's reads and writes elsewhere reach its log when their option is on,
// also while it is hidden. It cannot be made smaller than it opened.
class DebugWindow : public QDialog {
    Q_OBJECT
public:
    DebugWindow(const AppContext& context, QWidget* parent = nullptr);
    ~DebugWindow() override;

    DebugLog& log() { return *log_; }
    // The log as shown (after the queued refreshes have run).
    QString shownText() const;
    // Handles events until a read that the window started is over.
    void finishStationWork() { work_.finish(); }

public slots:
    void readSetup();
    void readRecord();
    void clearLog();

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override; // Escape and "&Cancel" hide the window; it lives on

private:
    void optionsChanged();
    void queueRefresh();
    void refresh();
    void tell(const QString& text);
    // A read's failure, told once the station is free again.
    void told(const FormOutcome& result);

    AppContext context_; // a copy: it only holds references to what lives for the run
    std::shared_ptr<DebugLog> log_;
    QPlainTextEdit* text_ = nullptr;
    QCheckBox* readOption_ = nullptr;
    QCheckBox* dataOption_ = nullptr;
    QCheckBox* writeOption_ = nullptr;
    QLineEdit* number_ = nullptr;
    std::atomic<bool> refreshQueued_{false};
    // Its reads run off the window's thread; the window takes no input meanwhile.
    StationWork work_{this, true};
};

// The Debug command: makes the window on first use (parent: the main window) and shows and raises it;
// later calls show and raise the same one. Keep the pointer for the run and pass it back each time:
//     debugWindow_ = showDebugWindow(context_, this, debugWindow_);
DebugWindow* showDebugWindow(const AppContext& context, QWidget* parent, DebugWindow* existing);

} // namespace nimbrel
