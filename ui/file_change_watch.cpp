#include "ui/file_change_watch.h"

#include <QFileInfo>

namespace nimbrel {

FileChangeWatch::FileChangeWatch(const QString& file, QObject* parent) : QObject(parent), file_(file) {
    const QFileInfo info(file_);
    if (info.exists()) {
        size_ = info.size();
        modified_ = info.lastModified();
        watcher_.addPath(file_);
    }
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &FileChangeWatch::check);
    connect(&timer_, &QTimer::timeout, this, &FileChangeWatch::check);
    timer_.start(kCheckIntervalMs);
}

void FileChangeWatch::check() {
    const QFileInfo info(file_);
    const qint64 size = info.exists() ? info.size() : -1;
    const QDateTime modified = info.exists() ? info.lastModified() : QDateTime();
    // A file replaced by a rename drops out of the watcher; a file that has just appeared was never in it.
    if (size >= 0 && !watcher_.files().contains(file_)) watcher_.addPath(file_);
    if (size == size_ && modified == modified_) return;
    size_ = size;
    modified_ = modified;
    emit changed();
}

} // namespace nimbrel
