#include "ui/save_file_dialog.h"

#include <QDir>

namespace nimbrel {

QString askSavePath(QWidget* parent, const SaveFileChoice& choice) {
    QString folder = QStandardPaths::writableLocation(choice.startIn);
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    QFileDialog dialog(parent, QString(), folder);
    dialog.setObjectName(choice.objectName);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(choice.filters);
    dialog.setDefaultSuffix(choice.defaultSuffix);
    dialog.selectFile(choice.proposedName);
    if (choice.adjust) choice.adjust(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().front();
}

} // namespace nimbrel
