#pragma once

#include <QApplication>

class QDeadlineTimer;
class InstanceListener;
class QLockFile;

// A QApplication that lets one instance per user run. A later launch by the same user
// hands its arguments to the running instance (which emits instanceStarted with them and
// answers) and exits with
// status 0 inside the constructor; when the running instance dies before it answers,
// the later launch takes over the lock and runs instead. The lock and the hand-over socket live in the user's
// private runtime folder; the socket is reachable by the owning user only.
class SingleInstanceApplication : public QApplication {
    Q_OBJECT
public:
    SingleInstanceApplication(int &argc, char **argv, int timeoutMs = 1000);
    ~SingleInstanceApplication() override;

    // Folder of the lock file and the hand-over socket.
    static QString runtimeFolder();

    // Makes the first attempt at the lock on a thread of its own, called before the
    // application object: writing the lock file out to disk (Qt syncs it) then overlaps
    // the connection to the display. The constructor goes on from that attempt.
    static void startTakingLock();

signals:
    // A later launch, with its arguments (the program's name left out).
    void instanceStarted(const QStringList &arguments);

private:
    bool listenForLaterLaunches();
    // Tells the running instance and waits for its answer; false without one.
    bool handedOver(const QDeadlineTimer &deadline);

    QLockFile *m_lock = nullptr;
    InstanceListener *m_listener = nullptr;
};
