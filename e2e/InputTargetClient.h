#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Starts the recording target program and reads what it recorded.
class InputTargetClient {
public:
    InputTargetClient();
    ~InputTargetClient();

    // Starts the target and waits until its text field has the keyboard focus.
    bool start(int timeoutMs = 10000);
    void stop();

    // Every event recorded so far, oldest first: objects with "event" ("ready", "key", "keyup",
    // "paste", "text") and "atMs" (monotonic clock), plus the event's own fields.
    QList<QJsonObject> events() const;
    QList<QJsonObject> events(const QString &kind) const;

    // The text field's content after the last change ("" before any).
    QString text() const;

    // The X id of the target's window, in decimal as xdotool writes it ("" before ready).
    QString windowId() const;
    // How often the target's window has lost the input focus to another window so far.
    int focusLosses() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};
