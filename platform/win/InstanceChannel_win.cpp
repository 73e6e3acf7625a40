// The channel on Windows: a Qt local server, that is a named pipe of the user's.
#include "platform/InstanceChannel.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

struct InstanceListener::Private {
    QLocalServer *server = nullptr;
};

InstanceListener::InstanceListener(QObject *parent) : QObject(parent), d(std::make_unique<Private>()) {}

InstanceListener::~InstanceListener() {
    if (d->server)
        d->server->close();
}

bool InstanceListener::listen(const QString &name) {
    d->server = new QLocalServer(this);
    d->server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(name);
    QLocalServer *server = d->server;
    connect(server, &QLocalServer::newConnection, this, [this, server] {
        while (QLocalSocket *socket = server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine()) {
                    // A line longer than any request is no request.
                    if (socket->bytesAvailable() >= instancechannel::maxRequestSize)
                        socket->disconnectFromServer();
                    return;
                }
                QStringList arguments;
                if (instancechannel::argumentsOf(socket->readLine(instancechannel::maxRequestSize + 1),
                                                 &arguments) &&
                    socket->bytesAvailable() == 0) {
                    // The later launch exits only on this answer.
                    socket->write(instancechannel::shownAnswer);
                    socket->flush();
                    emit launchRequested(arguments);
                }
                socket->disconnectFromServer();
            });
        }
    });
    return server->listen(name);
}

QString InstanceListener::errorString() const {
    return d->server ? d->server->errorString() : QString();
}

bool handOverToRunningInstance(const QString &name, const QByteArray &request,
                               const QDeadlineTimer &deadline) {
    // The running instance may still be starting up and not listening yet.
    QLocalSocket socket;
    socket.connectToServer(name);
    const auto remaining = [&deadline] { return int(qMax(qint64(1), deadline.remainingTime())); };
    if (!socket.waitForConnected(remaining()))
        return false;
    socket.write(request);
    if (!socket.waitForBytesWritten(remaining()))
        return false;
    const QByteArray &expected = instancechannel::shownAnswer;
    QByteArray answer;
    // The answer may be in the socket's buffer already (it came while the request was
    // written): waiting for more would then see only the closed pipe. Counted as no
    // answer, the request would be sent again, and acted on twice.
    for (;;) {
        answer += socket.read(expected.size() - answer.size());
        if (answer.size() >= expected.size() || !socket.waitForReadyRead(remaining()))
            break;
    }
    answer += socket.read(expected.size() - answer.size());
    return answer == expected;
}

QString privateRuntimeFolder() {
    return QDir::tempPath();
}
