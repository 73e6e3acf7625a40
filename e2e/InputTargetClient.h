#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Starts the recording target program (input_target) and reads what it recorded.
class InputTargetClient {
public:
    ~InputTargetClient();

    // Starts the target and waits until its text field has the keyboard focus.
    bool start(int timeoutMs = 10000);

    // The events recorded so far of one kind ("ready", "key", "keyup", "paste", "text",
    // "focusout"), or of every kind; oldest first, with "event", "atMs" and their own fields.
    QList<QJsonObject> events(const QString &kind = QString()) const;

    // The text field's content after the last change ("" before any).
    QString text() const;
    // The X id of the target's window, in decimal as xdotool writes it ("" before ready).
    QString windowId() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};
