// FileChangeWatch: tells when a file that another program writes has changed, cheaply and without reading it.
#pragma once

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

namespace nimbrel {

// The file system's notices come at once, but some file systems (network shares) never send them, so
// a timer also compares the file's size and modification time now and then. A file that is missing,
// appears, is replaced or shrinks counts as changed too; only the file's metadata is ever looked at.
class FileChangeWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kCheckIntervalMs = 2000;

    explicit FileChangeWatch(const QString& file, QObject* parent = nullptr);

    // Compares the file with what it was at the last look; emits changed() when it differs.
    void check();

signals:
    void changed();

private:
    QString file_;
    qint64 size_ = -1; // -1: missing
    QDateTime modified_;
    QFileSystemWatcher watcher_;
    QTimer timer_;
};

} // namespace nimbrel
