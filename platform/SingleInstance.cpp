#include "platform/SingleInstance.h"

#include "platform/AppPaths.h"
#include "platform/CommandLine.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

const QByteArray kShowAnswer = QByteArrayLiteral("ok\n");
constexpr qint64 kMaxAnswer = 64;
// A later start writes its whole request at once; a caller that dawdles is cut off.
constexpr int kReadDeadlineMs = 5000;

// A folder only this user can enter: ours, a real folder (not a link), mode 0700.
bool IsPrivateFolder(const QString &folder) {
    struct stat info {};
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 0777) == 0700;
}

} // namespace

QString GuardFolder(const QString &runtimeFolder, const QString &dataFolder) {
    if (!runtimeFolder.isEmpty())
        return runtimeFolder;
    // No usable runtime folder (XDG_RUNTIME_DIR unset and the shared fallback taken by someone
    // else, say): a private folder of our own data folder does the same job.
    if (dataFolder.isEmpty())
        return QString();
    const QString folder = dataFolder + QStringLiteral("instance");
    QDir().mkpath(dataFolder);
    if (!QFileInfo::exists(folder))
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
    struct stat info {};
    // One of ours with the wrong mode is put right; anything else is not used.
    if (::lstat(QFile::encodeName(folder).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
        info.st_uid == ::geteuid())
        ::chmod(QFile::encodeName(folder).constData(), 0700);
    return IsPrivateFolder(folder) ? folder : QString();
}

SingleInstance::SingleInstance(const QString &name, QObject *parent)
    : QObject(parent), m_name(name), m_folder(GuardFolder(RuntimeFolder(), AppDataFolder())) {}

SingleInstance::~SingleInstance() {
    // The socket file goes before the lock: once the lock is free a new first instance may
    // create its own socket under the same name, and closing ours afterwards would remove it.
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
    m_lock.reset();
}

bool SingleInstance::becomePrimary() {
    // Without any private folder there is nowhere safe to coordinate; starting unguarded is
    // better than refusing to start at all.
    if (m_folder.isEmpty())
        return true;

    const QString base = m_folder + QLatin1Char('/') + m_name;
    m_lock = std::make_unique<QLockFile>(base + QStringLiteral(".lock"));
    // The lock lives as long as the program; only a dead owner makes it stale, never its age.
    m_lock->setStaleLockTime(0);

    if (!m_lock->tryLock(0)) {
        if (m_lock->error() != QLockFile::LockFailedError)
            return true; // unwritable folder: run unguarded rather than not at all
        // tryLock already takes over a lock whose owner is gone. What it cannot judge is a lock
        // file without readable owner data (the owner died while writing it). Removing it is
        // safe: QLockFile only removes a file that no living process holds locked.
        qint64 pid = 0;
        QString host;
        QString app;
        if (m_lock->getLockInfo(&pid, &host, &app))
            return false;
        m_lock->removeStaleLockFile();
        if (!m_lock->tryLock(0))
            return false;
    }

    // We hold the lock, so any socket file left here belongs to a dead instance.
    QLocalServer::removeServer(base);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QTimer::singleShot(kReadDeadlineMs, socket, [socket] { socket->abort(); });
            auto received = std::make_shared<QByteArray>();
            auto serve = [this, socket, received] {
                // Never more than the cap plus one read is held.
                *received += socket->read(kMaxHandOverBytes + 1 - received->size());
                const HandOver request = DecodeHandOver(*received);
                if (request.state == HandOver::State::Incomplete)
                    return;
                if (request.state == HandOver::State::Malformed) {
                    socket->abort();
                    return;
                }
                received->clear();
                emit showRequested();
                if (!request.paths.isEmpty())
                    emit openRequested(request.paths);
                socket->write(kShowAnswer);
                socket->disconnectFromServer();
            };
            connect(socket, &QLocalSocket::readyRead, this, serve);
            if (socket->bytesAvailable() > 0)
                serve();
        }
    });
    // A failed listen (a folder path too long for a socket, say) leaves this the first
    // instance; later starts then find nobody to ask and simply exit.
    m_server->listen(base);
    return true;
}

bool SingleInstance::notifyPrimary(int timeoutMs, const QStringList &paths) {
    if (m_folder.isEmpty())
        return false;
    const QString base = m_folder + QLatin1Char('/') + m_name;
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // The first instance may hold the lock but not be listening yet: keep trying until the
    // deadline rather than giving up on the first refused connection.
    for (;;) {
        socket.connectToServer(base);
        if (socket.waitForConnected(int(deadline.remainingTime())))
            break;
        socket.abort();
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    socket.write(EncodeHandOver(paths));
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return false;
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    return socket.readLine(kMaxAnswer) == kShowAnswer;
}

} // namespace platform
