#include "e2e/InputTargetClient.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QThread>

InputTargetClient::~InputTargetClient() {
    m_process.kill();
    m_process.waitForFinished(3000);
}

bool InputTargetClient::start(int timeoutMs) {
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(VERBOLIN_INPUT_TARGET), {m_dir.filePath(QStringLiteral("target.log"))});
    const QDeadlineTimer deadline(timeoutMs);
    while (events(QStringLiteral("ready")).isEmpty()) {
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return false;
        QThread::msleep(20);
    }
    return true;
}

QList<QJsonObject> InputTargetClient::events(const QString &kind) const {
    QList<QJsonObject> result;
    QFile log(m_dir.filePath(QStringLiteral("target.log")));
    if (!log.open(QIODevice::ReadOnly))
        return result;
    for (const QByteArray &line : log.readAll().split('\n')) {
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        if (!event.isEmpty() && (kind.isEmpty() || event.value(QStringLiteral("event")).toString() == kind))
            result.append(event);
    }
    return result;
}

QString InputTargetClient::text() const {
    const QList<QJsonObject> changes = events(QStringLiteral("text"));
    return changes.isEmpty() ? QString() : changes.last().value(QStringLiteral("text")).toString();
}

QString InputTargetClient::windowId() const {
    return events(QStringLiteral("ready")).value(0).value(QStringLiteral("window")).toString();
}
