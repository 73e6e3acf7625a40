#include "platform/SingleInstanceApplication.h"

#include "platform/InstanceChannel.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLockFile>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <future>

namespace {

QString serverName() {
    return QDir(SingleInstanceApplication::runtimeFolder()).filePath(QStringLiteral("verbolin.socket"));
}

struct LockAttempt {
    QLockFile *lock = nullptr;
    bool taken = false;
};

LockAttempt attemptLock() {
    const QString folder = SingleInstanceApplication::runtimeFolder();
    if (folder.isEmpty())
        return {};
    auto *lock = new QLockFile(QDir(folder).filePath(QStringLiteral("verbolin.lock")));
    // Only a live holder counts: the lock of a crashed instance is taken over at once.
    lock->setStaleLockTime(0);
    return {lock, lock->tryLock(0)};
}

// The attempt startTakingLock() started, until the constructor takes it over.
std::future<LockAttempt> *earlyAttempt = nullptr;

} // namespace

void SingleInstanceApplication::startTakingLock() {
    if (earlyAttempt)
        return;
    // Qt takes the first thread that asks for its thread data as the program's main thread;
    // the lock's files would make it this helper thread.
    QThread::currentThread();
    earlyAttempt = new std::future<LockAttempt>(std::async(std::launch::async, &attemptLock));
}

QString SingleInstanceApplication::runtimeFolder() {
    return privateRuntimeFolder();
}

SingleInstanceApplication::SingleInstanceApplication(int &argc, char **argv, int timeoutMs)
    : QApplication(argc, argv) {
    LockAttempt first;
    if (earlyAttempt) {
        first = earlyAttempt->get();
        delete earlyAttempt;
        earlyAttempt = nullptr;
    } else {
        first = attemptLock();
    }
    m_lock = first.lock;
    if (!m_lock) {
        // No folder that only this user may write to: a lock anywhere else could be planted
        // by another user to keep the program from starting. Run unguarded instead.
        std::fprintf(stderr,
                     "verbolin: no private folder for the single-instance lock; running without it\n");
        return;
    }
    bool taken = first.taken;
    const QDeadlineTimer deadline(timeoutMs);
    // Until the running instance acknowledges, it may die at any moment: then its lock is
    // stale and this launch becomes the running instance, so a launch never ends with
    // nothing running.
    for (;;) {
        if (taken) {
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
        taken = m_lock->tryLock(0);
    }
}

SingleInstanceApplication::~SingleInstanceApplication() {
    delete m_listener;
    delete m_lock;
}

bool SingleInstanceApplication::listenForLaterLaunches() {
    m_listener = new InstanceListener(this);
    connect(m_listener, &InstanceListener::launchRequested, this,
            &SingleInstanceApplication::instanceStarted);
    return m_listener->listen(serverName());
}

bool SingleInstanceApplication::handedOver(const QDeadlineTimer &deadline) {
    return handOverToRunningInstance(serverName(), instancechannel::requestFor(arguments().mid(1)), deadline);
}
