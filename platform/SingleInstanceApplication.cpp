#include "platform/SingleInstanceApplication.h"

#include "platform/InstanceChannel.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

#include <cstdio>
#include <cstdlib>

namespace {

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
                             qPrintable(m_listener->errorString()));
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
    delete m_listener;
    delete m_lock;
}

bool SingleInstanceApplication::listenForLaterLaunches() {
    m_listener = new InstanceListener(this);
    connect(m_listener, &InstanceListener::showRequested, this, &SingleInstanceApplication::instanceStarted);
    return m_listener->listen(serverName());
}

bool SingleInstanceApplication::handedOver(const QDeadlineTimer &deadline) {
    return askRunningInstanceToShow(serverName(), deadline);
}
