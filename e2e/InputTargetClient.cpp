#include "e2e/InputTargetClient.h"

#include "e2e/E2eSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QThread>

InputTargetClient::InputTargetClient() = default;

InputTargetClient::~InputTargetClient() {
    stop();
}

bool InputTargetClient::start(int timeoutMs) {
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(VERBOLIN_INPUT_TARGET), {m_dir.filePath(QStringLiteral("target.log"))});
    if (!m_process.waitForStarted(timeoutMs))
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (!events(QStringLiteral("ready")).isEmpty())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return false;
}

void InputTargetClient::stop() {
    e2e::stopProcess(m_process);
}

QList<QJsonObject> InputTargetClient::events() const {
    QList<QJsonObject> result;
    QFile log(m_dir.filePath(QStringLiteral("target.log")));
    if (!log.open(QIODevice::ReadOnly))
        return result;
    for (const QByteArray &line : log.readAll().split('\n')) {
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (document.isObject())
            result.append(document.object());
    }
    return result;
}

QList<QJsonObject> InputTargetClient::events(const QString &kind) const {
    QList<QJsonObject> result;
    for (const QJsonObject &event : events()) {
        if (event.value(QStringLiteral("event")).toString() == kind)
            result.append(event);
    }
    return result;
}

QString InputTargetClient::text() const {
    const QList<QJsonObject> changes = events(QStringLiteral("text"));
    return changes.isEmpty() ? QString() : changes.last().value(QStringLiteral("text")).toString();
}

QString InputTargetClient::windowId() const {
    const QList<QJsonObject> ready = events(QStringLiteral("ready"));
    return ready.isEmpty() ? QString() : ready.first().value(QStringLiteral("window")).toString();
}

int InputTargetClient::focusLosses() const {
    return int(events(QStringLiteral("focusout")).size());
}
