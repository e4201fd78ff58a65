// Where the UI tests leave their screenshots: NIMBREL_ARTIFACT_DIR from the environment, else the
// build folder's artifacts.
#pragma once

#include <QDir>
#include <QString>

namespace nimbrel::testing {

inline QString artifactPath(const QString& name) {
    QString dir = qEnvironmentVariable("NIMBREL_ARTIFACT_DIR");
    if (dir.isEmpty()) dir = QStringLiteral(NIMBREL_ARTIFACT_DIR);
    QDir().mkpath(dir);
    return dir + QLatin1Char('/') + name;
}

} // namespace nimbrel::testing
