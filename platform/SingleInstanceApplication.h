#pragma once

#include <QApplication>

class QLocalServer;
class QLockFile;

// A QApplication that lets one instance per user run. A later launch by the same user
// tells the running instance (which emits instanceStarted) and exits with status 0
// inside the constructor. The lock and the hand-over socket live in the user's
// private runtime folder; the socket is reachable by the owning user only.
class SingleInstanceApplication : public QApplication {
    Q_OBJECT
public:
    SingleInstanceApplication(int &argc, char **argv, int timeoutMs = 1000);
    ~SingleInstanceApplication() override;

    // Folder of the lock file and the hand-over socket.
    static QString runtimeFolder();

signals:
    void instanceStarted();

private:
    bool listenForLaterLaunches();
    [[noreturn]] void handOverAndExit(int timeoutMs);

    QLockFile *m_lock = nullptr;
    QLocalServer *m_server = nullptr;
};
