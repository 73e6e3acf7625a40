#pragma once

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

// Starts the recording target program (input_target) and reads what it recorded.
class InputTargetClient {
public:
    ~InputTargetClient() {
        m_process.kill();
        m_process.waitForFinished(3000);
    }

    // With "--terminal" in options, the target poses as a terminal that pastes on Ctrl+Shift+V.
    bool start(int timeoutMs = 10000, const QStringList &options = {}) {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(VERBOLIN_INPUT_TARGET),
                        QStringList{m_dir.filePath(QStringLiteral("target.log"))} + options);
        for (const QDeadlineTimer deadline(timeoutMs); events(QStringLiteral("ready")).isEmpty();
             QThread::msleep(20)) {
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
                return false;
        }
        return true;
    }

    // The events so far of one kind ("ready", "key", "keyup", "paste", "text", "focusout") or all.
    QList<QJsonObject> events(const QString &kind = QString()) const {
        QList<QJsonObject> result;
        QFile log(m_dir.filePath(QStringLiteral("target.log")));
        for (const QByteArray &line :
             log.open(QIODevice::ReadOnly) ? log.readAll().split('\n') : QByteArrayList()) {
            const QJsonObject event = QJsonDocument::fromJson(line).object();
            if (!event.isEmpty() &&
                (kind.isEmpty() || event.value(QStringLiteral("event")).toString() == kind))
                result.append(event);
        }
        return result;
    }

    // The text field's content after the last change ("" before any).
    QString text() const {
        const QList<QJsonObject> changes = events(QStringLiteral("text"));
        return changes.value(changes.size() - 1).value(QStringLiteral("text")).toString();
    }
    // The X id of the target's window, in decimal as xdotool writes it ("" before ready).
    QString windowId() const {
        return events(QStringLiteral("ready")).value(0).value(QStringLiteral("window")).toString();
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};
