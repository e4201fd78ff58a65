// ExportDialog: which grid columns an export writes, in which order, with or without a header line,
// and the separator between the cells.
#pragma once

#include "app/history_export.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QListWidget;

namespace nimbrel {

class LanguageTable;

// The list holds "N.title" for every column open at the grid's present widths, all selected
// (exportItems). UP and Down move the current item with its selected state; Export refuses an empty
// choice with "Please select data!" (a box named "exportMessage") and stays open. Controls by number: list c1091, separator box
// c1090, Header c1009, UP c3, Down c4, Export c1, Cancel c2; the window is "exportDialog".
class ExportDialog : public QDialog {
    Q_OBJECT
public:
    ExportDialog(const LanguageTable& texts, const HistoryTitles& titles, const HistoryWidths& widths,
                 QWidget* parent = nullptr);

    // What the user chose: the selected columns in list order, the separator with its keywords
    // replaced, the header flag. Meaningful once the dialog was accepted.
    ExportChoice choice() const;

private:
    void moveCurrent(int step);
    void onExport();

    const LanguageTable& texts_;
    QListWidget* list_ = nullptr;
    QComboBox* separator_ = nullptr;
    QCheckBox* header_ = nullptr;
};

} // namespace nimbrel
