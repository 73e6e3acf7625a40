#include "platform/SingleInstanceApplication.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

#include <cstdio>
#include <cstdlib>

namespace {

const QByteArray handOverMessage = QByteArrayLiteral("verbolin:show\n");
const QByteArray handOverAck = QByteArrayLiteral("verbolin:shown\n");

QString serverName() {
    return QDir(SingleInstanceApplication::runtimeFolder()).filePath(QStringLiteral("verbolin.socket"));
}

} // namespace

QString SingleInstanceApplication::runtimeFolder() {
#ifdef Q_OS_WIN
    // The per-user temporary folder; the pipe name carries the user through Qt.
    return QDir::tempPath();
#else
    // $XDG_RUNTIME_DIR, or a private folder Qt creates for the user.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folder.isEmpty() ? QDir::tempPath() : folder;
#endif
}

SingleInstanceApplication::SingleInstanceApplication(int &argc, char **argv, int timeoutMs)
    : QApplication(argc, argv) {
    QDir().mkpath(runtimeFolder());
    m_lock = new QLockFile(QDir(runtimeFolder()).filePath(QStringLiteral("verbolin.lock")));
    // Only a live holder counts: the lock of a crashed instance is taken over at once.
    m_lock->setStaleLockTime(0);
    const QDeadlineTimer deadline(timeoutMs);
    // Until the running instance acknowledges, it may die at any moment: then its lock is
    // stale and this launch becomes the running instance, so a launch never ends with
    // nothing running.
    for (;;) {
        if (m_lock->tryLock(0)) {
            if (!listenForLaterLaunches())
                std::fprintf(stderr, "verbolin: cannot listen for later launches: %s\n",
                             qPrintable(m_server->errorString()));
            return;
        }
        if (m_lock->error() != QLockFile::LockFailedError) {
            // The runtime folder is unusable: run unguarded rather than not at all.
            std::fprintf(stderr, "verbolin: cannot create the single-instance lock in %s\n",
                         qPrintable(runtimeFolder()));
            return;
        }
        if (handedOver(deadline))
            std::exit(EXIT_SUCCESS);
        if (deadline.hasExpired()) {
            std::fprintf(stderr, "verbolin: another instance is running but did not answer\n");
            std::exit(EXIT_FAILURE);
        }
        QThread::msleep(20);
    }
}

SingleInstanceApplication::~SingleInstanceApplication() {
    if (m_server)
        m_server->close();
    delete m_lock;
}

bool SingleInstanceApplication::listenForLaterLaunches() {
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket file left by a crashed instance would make listen() fail.
    QLocalServer::removeServer(serverName());
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->bytesAvailable() < handOverMessage.size())
                    return;
                const bool valid = socket->read(handOverMessage.size()) == handOverMessage;
                if (valid) {
                    // The later launch exits only on this answer.
                    socket->write(handOverAck);
                    socket->flush();
                    emit instanceStarted();
                }
                socket->disconnectFromServer();
            });
        }
    });
    return m_server->listen(serverName());
}

bool SingleInstanceApplication::handedOver(const QDeadlineTimer &deadline) {
    // The running instance may still be starting up and not listening yet.
    QLocalSocket socket;
    socket.connectToServer(serverName());
    const auto remaining = [&deadline] { return int(qMax(qint64(1), deadline.remainingTime())); };
    if (!socket.waitForConnected(remaining()))
        return false;
    socket.write(handOverMessage);
    if (!socket.waitForBytesWritten(remaining()))
        return false;
    QByteArray answer;
    while (answer.size() < handOverAck.size() && socket.waitForReadyRead(remaining()))
        answer += socket.read(handOverAck.size() - answer.size());
    return answer == handOverAck;
}
