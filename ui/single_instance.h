// SingleInstance: one running copy per data folder and user; a second copy brings the first forward.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <filesystem>

namespace nimbrel {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The key names both the lock file (in the temporary folder) and the local socket; tests
    // pass their own key so that they never meet a copy of the program that the user runs.
    explicit SingleInstance(const QString& key = QStringLiteral("Nimbrel Radio Controlled"),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is the first copy: it then holds the lock for its life and answers the
    // requests of later copies with raiseRequested(). False when another copy runs; that copy
    // has then been asked to come forward. When the lock cannot be taken for any other reason
    // (no temporary folder, no permission), the program goes on as if it were alone.
    bool claim();

signals:
    void raiseRequested();

private:
    void answerConnection();

    QString socketName_;
    QLockFile lock_;
    QLocalServer server_;
};

// The key of the copy that shows `dataFolder`: the prefix and the folder's canonical path, so a second
// way to name one folder (a symbolic link, "..") still finds the copy that shows it.
QString folderInstanceKey(const QString& prefix, const std::filesystem::path& dataFolder);

} // namespace nimbrel
