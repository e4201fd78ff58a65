// AlarmDialog: the modal "Alarm" window over AlarmForm: the station's alarm thresholds, edited and saved.
#pragma once

#include "app/alarm_form.h"
#include "ui/station_work.h"

#include <QDialog>
#include <map>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nimbrel {

struct AppContext;

// Opens the Alarm window modally: it reads the station while it is already on the screen (showing any
// failure once the station is free again), then lets the user edit and save. The main frame's Alarm
// command calls this.
void openAlarmWindow(const AppContext& context, QWidget* parent);

class AlarmDialog : public QDialog {
    Q_OBJECT
public:
    // Reads nothing yet: Save stays disabled until a read succeeded.
    AlarmDialog(const AppContext& context, QWidget* parent = nullptr);

    // Reads the station off the window's thread, then shows its thresholds in its units and tells each
    // failure. Until then the window waits and takes no input.
    void startReading();
    // The same, returning once the read is over (the window's events handled meanwhile), without
    // telling the failures: failureMessage() then says what went wrong.
    void readStation();
    // Handles events until a save that the window started is over.
    void finishStationWork() { work_.finish(); }

    const QString& failureMessage() const { return failureMessage_; }
    const AlarmForm& form() const { return form_; }

private:
    void read(bool tellFailure);
    void fill();
    void save();
    void showMessage(const QString& text);

    const AppContext& context_;
    AlarmForm form_;
    QString failureMessage_;
    std::map<int, QLineEdit*> boxes_;
    std::map<int, QLabel*> units_;
    QComboBox* direction_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    bool filling_ = false; // the direction box set from the form, not by the user
    StationWork work_{this, true};
};

} // namespace nimbrel
