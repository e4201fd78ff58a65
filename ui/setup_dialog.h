// SetupDialog: the modal Setup window, a thin face over SetupForm (app/setup_form.h).
#pragma once

#include "app/setup_form.h"
#include "ui/app_context.h"

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

// Opens the Setup window over the main window: reads the station, says so when that failed, and
// runs the window modally. The main frame's Setup command (menu and toolbar) calls this.
void openSetupWindow(const AppContext& context, QWidget* parent);

class SetupDialog : public QDialog {
    Q_OBJECT
public:
    SetupDialog(const AppContext& context, QWidget* parent = nullptr);
    ~SetupDialog() override;

    // Reads the settings and the alarm block and shows them; the message to show when that failed
    // (Save then stays disabled). The busy flag is free again when this returns.
    std::optional<QString> readStation();

    SetupForm& form() { return *form_; }

    // How the window asks a Yes/No question and tells a failure; tests answer them themselves.
    std::function<bool(const QString& question)> ask;
    std::function<void(const QString& message)> tell;

private:
    void build();
    void showForm();
    void showPressures();
    void onSave();
    void onDefault();

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
};

} // namespace nimbrel
