// The save dialog of the windows that write a file the user names (the export, the chart's picture).
#pragma once

#include <QFileDialog>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <functional>

namespace nimbrel {

struct SaveFileChoice {
    QString objectName;                       // for tests to find the dialog
    QStandardPaths::StandardLocation startIn; // the user's folder it opens in (home when missing)
    QStringList filters;
    QString defaultSuffix;
    QString proposedName;
    std::function<void(QFileDialog&)> adjust; // anything more the caller sets up
};

// Qt's own dialog, the same on every desktop and in the user's language through Qt's translations; it
// asks before an existing file is replaced. The chosen path, or "" when the user cancelled.
QString askSavePath(QWidget* parent, const SaveFileChoice& choice);

} // namespace nimbrel
