#include "ui/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

namespace nimbrel {

namespace {

// Socket and lock names must be plain file names: hash the key and add the user, so two
// users of one machine each get their own copy.
QString baseName(const QString& key) {
    const QByteArray user = qgetenv("USER");
    const QByteArray hash =
        QCryptographicHash::hash((key + QLatin1Char('/') + QString::fromLocal8Bit(user)).toUtf8(),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return QStringLiteral("nimbrel-") + QString::fromLatin1(hash);
}

const QByteArray kRaiseRequest = "raise\n";

} // namespace

QString folderInstanceKey(const QString& prefix, const std::filesystem::path& dataFolder) {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::canonical(dataFolder, error);
    if (error) folder = dataFolder;
    return prefix + QLatin1Char('|') + QString::fromStdString(folder.string());
}

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : QObject(parent), socketName_(baseName(key)),
      lock_(QDir(QDir::tempPath()).filePath(baseName(key) + QStringLiteral(".lock"))) {
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::answerConnection);
}

SingleInstance::~SingleInstance() {
    server_.close();
    if (lock_.isLocked()) lock_.unlock();
}

bool SingleInstance::claim() {
    // A lock left by a crashed copy names a process that no longer exists; QLockFile then
    // takes it over, so a crash never locks the user out.
    if (!lock_.tryLock(0)) {
        if (lock_.error() != QLockFile::LockFailedError) return true;
        QLocalSocket socket;
        socket.connectToServer(socketName_);
        if (socket.waitForConnected(1000)) {
            socket.write(kRaiseRequest);
            socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
        }
        return false;
    }
    // We hold the lock, so any socket of that name is a leftover of a crashed copy.
    QLocalServer::removeServer(socketName_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(socketName_);
    return true;
}

void SingleInstance::answerConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        // The request may already be waiting when the connection is taken.
        auto readRequest = [this, socket] {
            if (socket->readAll().contains("raise")) emit raiseRequested();
        };
        connect(socket, &QLocalSocket::readyRead, this, readRequest);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->bytesAvailable() > 0) readRequest();
    }
}

} // namespace nimbrel
