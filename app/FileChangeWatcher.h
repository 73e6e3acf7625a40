#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>

class QFileSystemWatcher;
class QTimer;

// Watches files that this program saves and calls a handler when one of them changes
// from outside: its bytes differ from what the program last read or wrote there, so the
// program's own saves never count. Replacing a file by renaming another over it (as
// editors and this program do) is followed: the folder is watched too, and the file is
// watched again once it is back. Changes are looked at after a short quiet time; a file
// that a writer is still writing (it does not parse yet) is waited for by the save that
// the handler makes (see writeJsonFile).
class FileChangeWatcher : public QObject {
    Q_OBJECT
public:
    explicit FileChangeWatcher(QObject *parent = nullptr);
    ~FileChangeWatcher() override;

    void watch(const QString &path, std::function<void()> onOutsideChange);

    // Looks at every watched file now (tests call it instead of waiting).
    void checkAll();

private:
    void scheduleCheck();

    QFileSystemWatcher *m_watcher;
    QTimer *m_quietTime;
    QHash<QString, std::function<void()>> m_handlers;
};
