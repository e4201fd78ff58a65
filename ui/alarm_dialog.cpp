#include "ui/alarm_dialog.h"

#include "app/language_table.h"
#include "ui/app_context.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace nimbrel {

namespace {

QString qtext(const std::string& text) {
    return QString::fromStdString(text);
}

// The groups in the window's three columns, by their caption.
using R = TextRow;
const std::vector<std::vector<TextKey>> kColumns = {
    {R::time, R::indoorHumidity, R::outdoorHumidity, R::indoorTemperature, R::outdoorTemperature},
    {R::windchill, R::dewpoint, R::absolutePressure, R::relativePressure},
    {R::wind, R::gust, R::rain, kAlarmDirectionGroup},
};

} // namespace

void openAlarmWindow(const AppContext& context, QWidget* parent) {
    AlarmDialog dialog(context, parent);
    dialog.startReading();
    dialog.exec();
    dialog.finishStationWork(); // closed while it read: the read's thread ends before the form goes
}

AlarmDialog::AlarmDialog(const AppContext& context, QWidget* parent)
    : QDialog(parent), context_(context), form_(context.texts) {
    const LanguageTable& t = context.texts;
    setObjectName(QStringLiteral("alarmWindow"));
    setWindowTitle(qtext(t.text(TextRow::alarm)));
    setModal(true);

    auto* columns = new QHBoxLayout;
    for (const auto& column : kColumns) {
        auto* stack = new QVBoxLayout;
        for (TextKey group : column) {
            auto* box = new QGroupBox(qtext(t.text(group)));
            auto* grid = new QGridLayout(box);
            int row = 0;
            if (group == kAlarmDirectionGroup) {
                direction_ = new QComboBox;
                direction_->setObjectName(QStringLiteral("c%1").arg(kAlarmDirectionControl));
                for (const std::string& entry : form_.directionEntries()) direction_->addItem(qtext(entry));
                grid->addWidget(direction_, 0, 1);
                grid->setColumnStretch(1, 1);
                stack->addWidget(box);
                continue;
            }
            for (const AlarmBox& b : alarmBoxes()) {
                if (b.group != group) continue;
                auto* edit = new QLineEdit;
                edit->setObjectName(QStringLiteral("c%1").arg(b.control));
                edit->setMinimumWidth(70);
                boxes_[b.control] = edit;
                auto* unit = new QLabel(qtext(form_.unitLabel(b.control)));
                units_[b.control] = unit;
                unit->setObjectName(QStringLiteral("unit%1").arg(b.control));
                unit->setMinimumWidth(34);
                grid->addWidget(new QLabel(b.caption.empty() ? QString() : qtext(t.text(b.caption))), row, 0);
                grid->addWidget(edit, row, 1);
                grid->addWidget(unit, row, 2);
                const int control = b.control;
                connect(edit, &QLineEdit::textEdited, this,
                        [this, control](const QString& text) { form_.edit(control, text.toStdString()); });
                connect(edit, &QLineEdit::editingFinished, this, [this, control] {
                    if (const int other = form_.leave(control)) boxes_[other]->setText(qtext(form_.text(other)));
                });
                ++row;
            }
            grid->setColumnStretch(1, 1);
            stack->addWidget(box);
        }
        stack->addStretch(1);
        columns->addLayout(stack);
    }

    saveButton_ = new QPushButton(qtext(t.text(TextRow::save)));
    saveButton_->setObjectName(QStringLiteral("c1028"));
    saveButton_->setDefault(true);
    auto* cancel = new QPushButton(qtext(t.text(TextRow::cancel)));
    cancel->setObjectName(QStringLiteral("c2"));
    connect(saveButton_, &QPushButton::clicked, this, &AlarmDialog::save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(saveButton_);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);
    fill();
    connect(direction_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!filling_) form_.selectDirection(index);
    });
}

void AlarmDialog::startReading() {
    read(true);
}

void AlarmDialog::readStation() {
    read(false);
    work_.finish();
}

void AlarmDialog::read(bool tellFailure) {
    AlarmForm& form = form_;
    const AppContext& context = context_;
    // The window takes no input meanwhile, so the form is the read's alone until it is done.
    work_.run<FormOutcome>([&form, &context] { return form.load(context.station, context.clock); },
                            [this, tellFailure](FormOutcome& opened) {
                                failureMessage_ = qtext(opened.message);
                                fill();
                                // The read is over and the station free again before any message shows.
                                if (tellFailure && isVisible() && !failureMessage_.isEmpty())
                                    for (const QString& line : failureMessage_.split(QLatin1Char('\n')))
                                        showMessage(line);
                            });
}

void AlarmDialog::fill() {
    filling_ = true;
    for (const auto& [control, edit] : boxes_) edit->setText(qtext(form_.text(control)));
    for (const auto& [control, unit] : units_) unit->setText(qtext(form_.unitLabel(control)));
    direction_->setCurrentIndex(form_.directionIndex());
    saveButton_->setEnabled(form_.dataRead());
    filling_ = false;
}

void AlarmDialog::showMessage(const QString& text) {
    // Plain, as the other windows tell their failures: the program's title, no icon.
    QMessageBox box(QMessageBox::NoIcon, qtext(context_.texts.text(TextRow::applicationTitle)), text,
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("alarmMessage"));
    box.exec();
}

void AlarmDialog::save() {
    const LanguageTable& t = context_.texts;
    const FormOutcome checked = form_.validate();
    if (!checked.done) {
        showMessage(qtext(checked.message));
        if (QLineEdit* edit = boxes_[checked.focusControl]) {
            edit->setFocus();
            edit->selectAll();
        }
        return;
    }
    QMessageBox question(QMessageBox::Question, qtext(t.text(TextRow::operationNotify)),
                         qtext(t.text(TextRow::askSave)), QMessageBox::Yes | QMessageBox::No, this);
    question.setObjectName(QStringLiteral("alarmSaveQuestion"));
    question.button(QMessageBox::Yes)->setText(qtext(t.text("frame.yes")));
    question.button(QMessageBox::No)->setText(qtext(t.text("frame.no")));
    if (question.exec() != QMessageBox::Yes) return;

    // save() holds the station only while it reads and writes; the message comes after.
    AlarmForm& form = form_;
    const AppContext& context = context_;
    work_.run<FormOutcome>([&form, &context] { return form.save(context.station, context.clock); },
                            [this](FormOutcome& saved) {
                                if (saved.done) {
                                    accept();
                                    return;
                                }
                                showMessage(qtext(saved.message));
                                if (saved.refused() && boxes_.count(saved.focusControl))
                                    boxes_[saved.focusControl]->setFocus();
                            });
}

} // namespace nimbrel
