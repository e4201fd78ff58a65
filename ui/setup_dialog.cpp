#include "ui/setup_dialog.h"

#include "app/language_table.h"
#include "app/station_commands.h"
#include "station/station_access.h"
#include "ui/window_fit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

namespace nimbrel {

namespace {

QString objectNameOf(int control) {
    return QStringLiteral("c%1").arg(control);
}

} // namespace

void openSetupWindow(const AppContext& context, QWidget* parent) {
    SetupDialog dialog(context, parent);
    dialog.startReading();
    dialog.exec();
    dialog.finishStationWork(); // closed while it read: the read's thread ends before the form goes
}

SetupDialog::SetupDialog(const AppContext& context, QWidget* parent)
    : QDialog(parent), context_(context),
      form_(std::make_unique<SetupForm>(context.station, context.clock, context.texts)) {
    setObjectName(QStringLiteral("setupDialog"));
    setModal(true);
    setWindowTitle(QString::fromStdString(context_.texts.text(TextRow::setup)));

    ask = [this](const QString& question) {
        const LanguageTable& t = context_.texts;
        QMessageBox box(QMessageBox::Question, QString::fromStdString(t.text(TextRow::operationNotify)),
                        question, QMessageBox::Yes | QMessageBox::No, this);
        box.setObjectName(QStringLiteral("setupQuestion"));
        box.button(QMessageBox::Yes)->setText(QString::fromStdString(t.text("frame.yes")));
        box.button(QMessageBox::No)->setText(QString::fromStdString(t.text("frame.no")));
        return box.exec() == QMessageBox::Yes;
    };
    tell = [this](const QString& message) {
        const LanguageTable& t = context_.texts;
        QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(t.text(TextRow::applicationTitle)),
                        message, QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("setupMessage"));
        box.exec();
    };
    build();
    showForm();
    save_->setEnabled(false); // until the station has been read
}

SetupDialog::~SetupDialog() = default;

void SetupDialog::build() {
    const LanguageTable& t = context_.texts;
    auto text = [&t](TextKey key) { return QString::fromStdString(t.text(key)); };
    auto keyText = [&t](std::string_view key) { return QString::fromStdString(t.text(key)); };

    auto makeList = [this](int control) {
        auto* list = new QComboBox(this);
        list->setObjectName(objectNameOf(control));
        for (const std::string& entry : form_->choices(control)) list->addItem(QString::fromStdString(entry));
        connect(list, &QComboBox::activated, this, [this, control](int index) {
            form_->select(control, index);
            if (control == SetupForm::kPressureUnit) showPressures();
        });
        lists_[control] = list;
        return list;
    };
    auto makeEdit = [this](int control) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(objectNameOf(control));
        return edit;
    };
    auto labelled = [this](QGridLayout* grid, int row, const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
    };

    // Time zone and recording interval.
    auto* zoneGroup = new QGroupBox(text(TextRow::timeZone), this);
    auto* zoneLayout = new QHBoxLayout(zoneGroup);
    zoneLayout->addWidget(makeList(SetupForm::kTimeZone));
    auto* intervalGroup = new QGroupBox(text(TextRow::interval), this);
    auto* intervalLayout = new QHBoxLayout(intervalGroup);
    interval_ = makeEdit(SetupForm::kInterval);
    interval_->setMaxLength(3);
    intervalLayout->addWidget(interval_);
    intervalLayout->addWidget(new QLabel(text(TextRow::minute), this));
    connect(interval_, &QLineEdit::textEdited, this,
            [this](const QString& s) { form_->setText(SetupForm::kInterval, s.toStdString()); });
    auto* topRow = new QHBoxLayout;
    topRow->addWidget(zoneGroup);
    topRow->addWidget(intervalGroup);

    // Units of every quantity.
    auto* unitGroup = new QGroupBox(text(TextRow::unit), this);
    auto* unitGrid = new QGridLayout(unitGroup);
    labelled(unitGrid, 0, text(TextRow::indoorTemperature), makeList(SetupForm::kIndoorUnit));
    labelled(unitGrid, 1, text(TextRow::outdoorTemperature), makeList(SetupForm::kOutdoorUnit));
    labelled(unitGrid, 2, text(TextRow::pressure), makeList(SetupForm::kPressureUnit));
    labelled(unitGrid, 3, keyText("setup.wind_speed"), makeList(SetupForm::kWindUnit));
    labelled(unitGrid, 4, text(TextRow::rainfall), makeList(SetupForm::kRainUnit));

    // Relative pressure (typed) and absolute pressure (shown), in the pressure unit.
    auto* pressureGroup = new QGroupBox(text(TextRow::pressure), this);
    auto* pressureGrid = new QGridLayout(pressureGroup);
    relative_ = makeEdit(SetupForm::kRelativePressure);
    absolute_ = makeEdit(SetupForm::kAbsolutePressure);
    absolute_->setReadOnly(true);
    relativeUnit_ = new QLabel(this);
    relativeUnit_->setObjectName(objectNameOf(1035));
    absoluteUnit_ = new QLabel(this);
    absoluteUnit_->setObjectName(objectNameOf(1193));
    labelled(pressureGrid, 0, text(TextRow::relative), relative_);
    pressureGrid->addWidget(relativeUnit_, 0, 2);
    labelled(pressureGrid, 1, text(TextRow::absolute), absolute_);
    pressureGrid->addWidget(absoluteUnit_, 1, 2);
    // The hPa values the station holds, carried along unseen as the window always did.
    relativeHpa_ = makeEdit(SetupForm::kRelativeHpa);
    absoluteHpa_ = makeEdit(SetupForm::kAbsoluteHpa);
    relativeHpa_->hide();
    absoluteHpa_->hide();
    connect(relative_, &QLineEdit::textEdited, this,
            [this](const QString& s) { form_->setText(SetupForm::kRelativePressure, s.toStdString()); });

    auto* left = new QVBoxLayout;
    left->addLayout(topRow);
    left->addWidget(unitGroup);
    left->addWidget(pressureGroup);
    left->addStretch(1);

    // What the console shows.
    auto* displayGroup = new QGroupBox(text(TextRow::display), this);
    auto* displayGrid = new QGridLayout(displayGroup);
    labelled(displayGrid, 0, text(TextRow::day), makeList(SetupForm::kDateDisplay));
    labelled(displayGrid, 1, text(TextRow::format), makeList(SetupForm::kDateFormat));
    labelled(displayGrid, 2, text(TextRow::time), makeList(SetupForm::kTimeFormat));
    labelled(displayGrid, 3, text(TextRow::axis), makeList(SetupForm::kAxis));
    labelled(displayGrid, 4, text(TextRow::outdoorTemperature), makeList(SetupForm::kOutdoorDisplay));
    labelled(displayGrid, 5, text(TextRow::pressure), makeList(SetupForm::kPressureDisplay));
    labelled(displayGrid, 6, text(TextRow::velocity), makeList(SetupForm::kWindDisplay));
    labelled(displayGrid, 7, text(TextRow::rainfall), makeList(SetupForm::kRainDisplay));
    displayGrid->setRowStretch(8, 1);

    // The 22 alarm enables, in columns in the order they are listed.
    auto* alarmGroup = new QGroupBox(text(TextRow::alarmEnable), this);
    auto* alarmGrid = new QGridLayout(alarmGroup);
    const auto controls = SetupForm::alarmEnableControls();
    std::vector<QCheckBox*> alarmBoxes;
    int widestBox = 0;
    for (const int control : controls) {
        auto* box = new QCheckBox(keyText("setup.box." + std::to_string(control)), this);
        box->setObjectName(objectNameOf(control));
        connect(box, &QCheckBox::toggled, this, [this, control](bool on) {
            if (!filling_) form_->setChecked(control, on);
        });
        boxes_[control] = box;
        alarmBoxes.push_back(box);
        widestBox = std::max(widestBox, box->sizeHint().width());
    }
    auto arrangeAlarms = [&](int columnCount) {
        const int perColumn = (static_cast<int>(alarmBoxes.size()) + columnCount - 1) / columnCount;
        for (QCheckBox* box : alarmBoxes) alarmGrid->removeWidget(box);
        for (std::size_t i = 0; i < alarmBoxes.size(); ++i)
            alarmGrid->addWidget(alarmBoxes[i], static_cast<int>(i) % perColumn,
                                 static_cast<int>(i) / perColumn);
    };
    arrangeAlarms(2);

    auto* columns = new QGridLayout;
    columns->addLayout(left, 0, 0);
    columns->addWidget(displayGroup, 0, 1);
    columns->addWidget(alarmGroup, 0, 2);

    save_ = new QPushButton(text(TextRow::save), this);
    save_->setObjectName(objectNameOf(1028));
    save_->setDefault(true);
    auto* cancel = new QPushButton(text(TextRow::cancel), this);
    cancel->setObjectName(objectNameOf(2));
    default_ = new QPushButton(keyText("setup.default"), this);
    default_->setObjectName(objectNameOf(1004));
    connect(save_, &QPushButton::clicked, this, &SetupDialog::onSave);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(default_, &QPushButton::clicked, this, &SetupDialog::onDefault);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(default_);
    buttons->addStretch(1);
    buttons->addWidget(save_);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);

    // The alarm enables stand beside the rest where the screen is wide enough, frame included; else (long
    // captions on a small screen) under the rest, in as many columns as the width of the rest holds, and
    // at least three where the screen has room for them (a window of eleven rows is too tall), so the
    // window fits the screen and no caption is cut.
    const QMargins frame = expectedFrameMargins();
    const int screenWidth = screen()->availableGeometry().width();
    if (layout->totalSizeHint().width() + frame.left() + frame.right() > screenWidth) {
        columns->removeWidget(alarmGroup);
        const int column = widestBox + std::max(0, alarmGrid->horizontalSpacing());
        const int under =
            left->sizeHint().width() + columns->horizontalSpacing() + displayGroup->sizeHint().width();
        const QMargins inside = layout->contentsMargins() + alarmGrid->contentsMargins();
        const int room = screenWidth - frame.left() - frame.right() - inside.left() - inside.right();
        arrangeAlarms(std::clamp(std::max(under / column, std::min(3, room / column)), 2, 4));
        columns->addWidget(alarmGroup, 1, 0, 1, 2);
    }
}

void SetupDialog::startReading() {
    read(true);
}

std::optional<QString> SetupDialog::readStation() {
    read(false);
    work_.finish();
    return readFailure_;
}

void SetupDialog::read(bool tellFailure) {
    SetupForm& form = *form_;
    // The window takes no input meanwhile, so the form is the read's alone until it is done. Its
    // failure is told with the flag already free.
    work_.run<FormOutcome>([&form] { return form.open(); },
                           [this, tellFailure](FormOutcome& opened) {
                               showForm();
                               save_->setEnabled(form_->dataRead());
                               readFailure_.reset();
                               if (!opened.message.empty())
                                   readFailure_ = QString::fromStdString(opened.message);
                               // Each failed read on its own, not when the user closed the window meanwhile.
                               if (readFailure_ && tellFailure && isVisible())
                                   for (const QString& line : readFailure_->split(QLatin1Char('\n')))
                                       tell(line);
                           });
}

void SetupDialog::showForm() {
    filling_ = true;
    for (auto& [control, list] : lists_) list->setCurrentIndex(form_->selection(control));
    for (auto& [control, box] : boxes_) box->setChecked(form_->checked(control));
    interval_->setText(QString::fromStdString(form_->text(SetupForm::kInterval)));
    relativeHpa_->setText(QString::fromStdString(form_->text(SetupForm::kRelativeHpa)));
    absoluteHpa_->setText(QString::fromStdString(form_->text(SetupForm::kAbsoluteHpa)));
    showPressures();
    filling_ = false;
}

void SetupDialog::showPressures() {
    relative_->setText(QString::fromStdString(form_->text(SetupForm::kRelativePressure)));
    absolute_->setText(QString::fromStdString(form_->text(SetupForm::kAbsolutePressure)));
    const QString unitText = QString::fromStdString(form_->pressureUnit());
    relativeUnit_->setText(unitText);
    absoluteUnit_->setText(unitText);
}

void SetupDialog::onSave() {
    if (!form_->dataRead()) return;
    if (const FormOutcome checked = form_->validate(); !checked.done) {
        told(checked);
        return;
    }
    if (!ask(QString::fromStdString(context_.texts.text(TextRow::askSave)))) return;
    SetupForm& form = *form_;
    work_.run<FormOutcome>([&form] { return form.save(); }, [this](FormOutcome& outcome) { saved(outcome); });
}

void SetupDialog::onDefault() {
    if (!ask(QString::fromStdString(stationCommandQuestion(StationCommand::loadDefaults, context_.texts))))
        return;
    SetupForm& form = *form_;
    work_.run<FormOutcome>([&form] { return form.loadDefaults(); },
                           [this](FormOutcome& outcome) { saved(outcome); });
}

void SetupDialog::saved(const FormOutcome& outcome) {
    if (outcome.done) {
        accept();
        return;
    }
    told(outcome);
}

void SetupDialog::told(const FormOutcome& outcome) {
    tell(QString::fromStdString(outcome.message));
    if (QWidget* box = findChild<QWidget*>(objectNameOf(outcome.focusControl)); box && outcome.refused()) {
        box->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(box)) edit->selectAll();
    }
}

} // namespace nimbrel
