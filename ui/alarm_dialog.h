// AlarmDialog: the modal "Alarm" window over AlarmForm: the station's alarm thresholds, edited and saved.
#pragma once

#include "app/alarm_form.h"

#include <QDialog>
#include <map>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nimbrel {

struct AppContext;

// Opens the Alarm window modally: reads the station (showing any failure once the station is free
// again), then lets the user edit and save. The main frame's Alarm command calls this.
void openAlarmWindow(const AppContext& context, QWidget* parent);

class AlarmDialog : public QDialog {
    Q_OBJECT
public:
    // Reads the station at once; failureMessage() tells what went wrong (then Save is disabled).
    AlarmDialog(const AppContext& context, QWidget* parent = nullptr);

    const QString& failureMessage() const { return failureMessage_; }
    const AlarmForm& form() const { return form_; }

private:
    void fill();
    void save();
    void showMessage(const QString& text);

    const AppContext& context_;
    AlarmForm form_;
    QString failureMessage_;
    std::map<int, QLineEdit*> boxes_;
    QComboBox* direction_ = nullptr;
    QPushButton* saveButton_ = nullptr;
};

} // namespace nimbrel
