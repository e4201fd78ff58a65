// SetupDialog: the modal Setup window, a thin face over SetupForm (app/setup_form.h).
#pragma once

#include "app/setup_form.h"
#include "ui/app_context.h"
#include "ui/station_work.h"

#include <QDialog>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nimbrel {

// Opens the Setup window over the main window and runs it modally; it reads the station while it is
// already on the screen, and says so when that failed. The main frame's Setup command (menu and
// toolbar) calls this.
void openSetupWindow(const AppContext& context, QWidget* parent);

class SetupDialog : public QDialog {
    Q_OBJECT
public:
    SetupDialog(const AppContext& context, QWidget* parent = nullptr);
    ~SetupDialog() override;

    // Reads the settings and the alarm block off the window's thread and shows them; a failure is told
    // (Save then stays disabled). Until then the window waits and takes no input.
    void startReading();
    // The same, returning once the read is over (the window's events handled meanwhile) with the
    // message that a failure would tell, without telling it. The busy flag is free again then.
    std::optional<QString> readStation();
    // Handles events until a save or a load of the defaults that the window started is over.
    void finishStationWork() { work_.finish(); }

    SetupForm& form() { return *form_; }

    // How the window asks a Yes/No question and tells a failure; tests answer them themselves.
    std::function<bool(const QString& question)> ask;
    std::function<void(const QString& message)> tell;

private:
    void build();
    void read(bool tellFailure);
    void showForm();
    void showPressures();
    void onSave();
    void onDefault();
    // What a save or a load of the defaults came to: the window closes, or the failure is told.
    void saved(const FormOutcome& outcome);
    // Tells why the work was not done and puts the focus on the box or list the user must change.
    void told(const FormOutcome& outcome);

    AppContext context_;
    std::unique_ptr<SetupForm> form_;
    std::map<int, QComboBox*> lists_;
    std::map<int, QCheckBox*> boxes_;
    QLineEdit* interval_ = nullptr;
    QLineEdit* relative_ = nullptr;
    QLineEdit* absolute_ = nullptr;
    QLineEdit* relativeHpa_ = nullptr;
    QLineEdit* absoluteHpa_ = nullptr;
    QLabel* relativeUnit_ = nullptr;
    QLabel* absoluteUnit_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* default_ = nullptr;
    bool filling_ = false;
    std::optional<QString> readFailure_;
    StationWork work_{this, true};
};

} // namespace nimbrel
