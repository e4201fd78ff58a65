#include "ui/scope_dialog.h"

#include "app/language_table.h"
#include "app/scope_form.h"
#include "ui/app_context.h"
#include "ui/station_work.h"
#include "ui/window_texts.h"

#include <QDialogButtonBox>
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

QString controlName(int id) {
    return QStringLiteral("c%1").arg(id);
}

QLineEdit* readOnlyBox(int id, const std::string& text, int width) {
    auto* box = new QLineEdit(QString::fromStdString(text));
    box->setObjectName(controlName(id));
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setMinimumWidth(width);
    return box;
}

void tell(const LanguageTable& texts, QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, qtext(texts, TextRow::applicationTitle), text, QMessageBox::Ok,
                    parent);
    box.setObjectName(QStringLiteral("scopeMessage"));
    box.exec();
}

} // namespace

ScopeDialog::ScopeDialog(const ScopeForm& form, const LanguageTable& texts, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("scopeDialog"));
    setWindowTitle(qtext(texts, TextRow::scope));

    const int valueWidth = fontMetrics().horizontalAdvance(QStringLiteral("-9999.9 mmHg")) + 12;
    const int timeWidth = fontMetrics().horizontalAdvance(QStringLiteral("12-31-2026 12:59PM")) + 12;

    auto* columns = new QHBoxLayout;
    QVBoxLayout* column = nullptr;
    QGroupBox* group = nullptr;
    QGridLayout* grid = nullptr;
    const ScopeBox* last = nullptr;
    const auto& boxes = scopeBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const ScopeBox& b = boxes[i];
        if (last == nullptr || b.group != last->group) {
            // Humidity, temperature, wind chill and dew point on the left; pressure, wind and rain
            // on the right.
            if (i == 0 || b.group == TextRow::absolutePressure) {
                column = new QVBoxLayout;
                columns->addLayout(column);
            }
            group = new QGroupBox(qtext(texts, b.group));
            grid = new QGridLayout(group);
            column->addWidget(group);
            last = &b;
        }
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(qtext(texts, b.label)), row, 0);
        grid->addWidget(readOnlyBox(b.valueId, form.valueText(i), valueWidth), row, 1);
        grid->addWidget(new QLabel(qtext(texts, TextRow::time)), row, 2);
        grid->addWidget(readOnlyBox(b.timeId, form.timeText(i), timeWidth), row, 3);
    }
    for (int c = 0; c < columns->count(); ++c) {
        if (auto* l = qobject_cast<QVBoxLayout*>(columns->itemAt(c)->layout())) l->addStretch(1);
    }

    auto* ok = new QPushButton(qtext(texts, TextRow::ok));
    ok->setObjectName(QStringLiteral("c1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(columns);
    outer->addLayout(buttons);
}

void openScopeWindow(const AppContext& context, QWidget* parent) {
    ScopeForm form;
    FormOutcome outcome;
    // The read runs off the window's thread, which handles its events meanwhile under a busy cursor.
    StationWork work(parent, false);
    work.run<FormOutcome>(
        [&form, &context] { return form.open(context.station, context.store, context.clock, context.texts); },
        [&outcome](FormOutcome& read) { outcome = std::move(read); });
    work.finish();
    // The station is free again here: the acquisition thread goes on while the user reads these.
    if (!outcome.message.empty())
        for (const QString& line : QString::fromStdString(outcome.message).split(QLatin1Char('\n')))
            tell(context.texts, parent, line);
    if (!outcome.done) return;
    ScopeDialog dialog(form, context.texts, parent);
    dialog.exec();
}

} // namespace nimbrel
