#include "ui/export_dialog.h"

#include "app/language_table.h"
#include "ui/window_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace nimbrel {

namespace {

QPushButton* button(const QString& text, int id) {
    auto* b = new QPushButton(text);
    b->setObjectName(QStringLiteral("c%1").arg(id));
    b->setAutoDefault(false);
    return b;
}

} // namespace

ExportDialog::ExportDialog(const LanguageTable& texts, const HistoryTitles& titles,
                           const HistoryWidths& widths, QWidget* parent)
    : QDialog(parent), texts_(texts) {
    setObjectName(QStringLiteral("exportDialog"));
    setWindowTitle(qtext(texts, "export.caption"));

    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("c1091"));
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (const ExportItem& entry : exportItems(titles, widths)) {
        auto* item = new QListWidgetItem(QString::fromStdString(entry.text), list_);
        item->setData(Qt::UserRole, entry.column);
        item->setSelected(entry.selected);
    }
    // Wide enough for the longest title of every language without a scroll bar across,
    list_->setMinimumWidth(list_->sizeHintForColumn(0) + 2 * list_->frameWidth() + 24);
    // and tall enough to show every column at once.
    list_->setMinimumHeight(list_->sizeHintForRow(0) * list_->count() + 2 * list_->frameWidth());

    QPushButton* up = button(qtext(texts, "export.up"), 3);
    QPushButton* down = button(qtext(texts, "export.down"), 4);
    connect(up, &QPushButton::clicked, this, [this] { moveCurrent(-1); });
    connect(down, &QPushButton::clicked, this, [this] { moveCurrent(+1); });

    header_ = new QCheckBox(qtext(texts, "export.header"));
    header_->setObjectName(QStringLiteral("c1009"));
    header_->setLayoutDirection(Qt::RightToLeft); // its text stands left of the box

    auto* separatorLabel = new QLabel(qtext(texts, "export.separator"));
    separatorLabel->setObjectName(QStringLiteral("c1092"));
    separator_ = new QComboBox;
    separator_->setObjectName(QStringLiteral("c1090"));
    separator_->setEditable(true);
    separator_->setInsertPolicy(QComboBox::NoInsert);
    for (std::string_view choice : kSeparatorChoices)
        separator_->addItem(QString::fromUtf8(choice.data(), static_cast<qsizetype>(choice.size())));
    separator_->setCurrentIndex(0);
    separatorLabel->setBuddy(separator_);

    QPushButton* exportButton = button(qtext(texts, TextRow::exportData), 1);
    exportButton->setDefault(true);
    QPushButton* cancel = button(qtext(texts, TextRow::cancel), 2);
    connect(exportButton, &QPushButton::clicked, this, &ExportDialog::onExport);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* side = new QVBoxLayout;
    side->addWidget(up);
    side->addWidget(down);
    side->addSpacing(12);
    side->addWidget(header_);
    side->addSpacing(12);
    side->addWidget(separatorLabel);
    side->addWidget(separator_);
    side->addStretch(1);
    side->addWidget(exportButton);
    side->addWidget(cancel);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(side);
}

void ExportDialog::moveCurrent(int step) {
    const int from = list_->currentRow();
    const int to = from + step;
    if (from < 0 || to < 0 || to >= list_->count()) return;
    // An item out of its list has no selection: read it first.
    const bool selected = list_->item(from)->isSelected();
    QListWidgetItem* item = list_->takeItem(from);
    list_->insertItem(to, item);
    item->setSelected(selected);
    list_->setCurrentRow(to, QItemSelectionModel::NoUpdate);
}

ExportChoice ExportDialog::choice() const {
    ExportChoice chosen;
    for (int row = 0; row < list_->count(); ++row) {
        const QListWidgetItem* item = list_->item(row);
        if (item->isSelected()) chosen.columns.push_back(item->data(Qt::UserRole).toInt());
    }
    chosen.separator = separatorFromText(separator_->currentText().toStdString());
    chosen.header = header_->isChecked();
    return chosen;
}

void ExportDialog::onExport() {
    if (list_->selectedItems().isEmpty()) {
        QMessageBox box(QMessageBox::Warning, qtext(texts_, TextRow::operationNotify),
                        qtext(texts_, TextRow::selectData), QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("exportMessage"));
        box.exec();
        return;
    }
    accept();
}

} // namespace nimbrel
