// The channel on Linux: a Unix domain socket in the user's runtime folder, served through
// the event loop. Plain sockets rather than Qt's local server: that one is all the
// program used of Qt Network, whose libraries (Kerberos, proxy look-up) cost 1.3 MB of
// resident memory.
#include "platform/InstanceChannel.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// False when the path does not fit the address.
bool addressOf(const QString &name, sockaddr_un *address) {
    const QByteArray path = QFile::encodeName(name);
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof address->sun_path)
        return false;
    std::memcpy(address->sun_path, path.constData(), size_t(path.size()));
    return true;
}

// Waits for the socket to be ready for events, until the deadline.
bool waitFor(int fd, short events, const QDeadlineTimer &deadline) {
    pollfd entry{fd, events, 0};
    for (;;) {
        const int result = ::poll(&entry, 1, int(qMax(qint64(0), deadline.remainingTime())));
        if (result > 0)
            return true;
        if (result == 0 || errno != EINTR)
            return false;
    }
}

// Whether the folder is the user's and no one else may write to it (closed: nor read it).
// lstat: a link is never taken, whatever it points to.
bool isPrivateFolder(const QByteArray &path, bool closed) {
    struct stat info;
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
        return false;
    return (info.st_mode & (closed ? mode_t(S_IRWXG | S_IRWXO) : mode_t(S_IWGRP | S_IWOTH))) == 0;
}

// Makes the folder 0700 unless something is there already; true when it is private afterwards.
bool takeFolder(const QByteArray &path) {
    if (::mkdir(path.constData(), S_IRWXU) != 0 && errno != EEXIST)
        return false;
    return isPrivateFolder(path, true);
}

// One later launch, from its connection to the answer.
class Caller : public QObject {
public:
    Caller(int fd, InstanceListener *listener)
        : QObject(listener), m_fd(fd), m_notifier(fd, QSocketNotifier::Read, this) {
        connect(&m_notifier, &QSocketNotifier::activated, this, [this, listener] { onReadable(listener); });
    }
    ~Caller() override {
        m_notifier.setEnabled(false);
        ::close(m_fd);
    }

private:
    void onReadable(InstanceListener *listener) {
        char buffer[4096];
        const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (got <= 0) {
            finish();
            return;
        }
        m_received.append(buffer, got);
        const qsizetype end = m_received.indexOf('\n');
        if (end < 0) {
            // A line longer than any request is no request.
            if (m_received.size() >= instancechannel::maxRequestSize)
                finish();
            return;
        }
        QStringList arguments;
        if (end == m_received.size() - 1 && instancechannel::argumentsOf(m_received, &arguments)) {
            // The later launch exits only on this answer.
            const QByteArray &answer = instancechannel::shownAnswer;
            (void)::send(m_fd, answer.constData(), size_t(answer.size()), MSG_NOSIGNAL);
            emit listener->launchRequested(arguments);
        }
        finish();
    }
    void finish() {
        m_notifier.setEnabled(false);
        deleteLater();
    }

    int m_fd;
    QSocketNotifier m_notifier;
    QByteArray m_received;
};

} // namespace

struct InstanceListener::Private {
    int fd = -1;
    QSocketNotifier *notifier = nullptr;
    QByteArray path;
    QString error;
};

InstanceListener::InstanceListener(QObject *parent) : QObject(parent), d(std::make_unique<Private>()) {}

InstanceListener::~InstanceListener() {
    if (d->fd >= 0) {
        delete d->notifier;
        ::close(d->fd);
        ::unlink(d->path.constData());
    }
}

bool InstanceListener::listen(const QString &name) {
    sockaddr_un address;
    if (!addressOf(name, &address)) {
        d->error = QStringLiteral("the socket path is too long");
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        d->error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // A socket file left by a crashed instance would make the bind fail.
    ::unlink(address.sun_path);
    // Only the user may connect: the socket is made without any access for others.
    const mode_t previousMask = ::umask(S_IRWXG | S_IRWXO);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::umask(previousMask);
    if (!bound || ::listen(fd, 16) != 0) {
        d->error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    d->fd = fd;
    d->path = address.sun_path;
    d->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] {
        int caller;
        while ((caller = ::accept4(d->fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0)
            new Caller(caller, this);
    });
    return true;
}

QString InstanceListener::errorString() const {
    return d->error;
}

bool handOverToRunningInstance(const QString &name, const QByteArray &request,
                               const QDeadlineTimer &deadline) {
    sockaddr_un address;
    if (!addressOf(name, &address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    // No listener yet (the running instance may still be starting up), or a full queue:
    // the caller tries again.
    bool told = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    qsizetype sent = 0;
    while (told && sent < request.size()) {
        const ssize_t n = ::send(fd, request.constData() + sent, size_t(request.size() - sent), MSG_NOSIGNAL);
        if (n > 0)
            sent += n;
        else if (n < 0 && (errno == EAGAIN || errno == EINTR))
            told = waitFor(fd, POLLOUT, deadline);
        else
            told = false;
    }
    const QByteArray &expected = instancechannel::shownAnswer;
    QByteArray answer;
    while (told && answer.size() < expected.size()) {
        char buffer[64];
        const ssize_t n =
            ::recv(fd, buffer, size_t(qMin<qsizetype>(sizeof buffer, expected.size() - answer.size())), 0);
        if (n > 0)
            answer.append(buffer, n);
        else if (n < 0 && (errno == EAGAIN || errno == EINTR))
            told = waitFor(fd, POLLIN, deadline);
        else
            told = false;
    }
    ::close(fd);
    return answer == expected;
}

namespace {

QString findPrivateRuntimeFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && isPrivateFolder(runtime, false))
        return QFile::decodeName(runtime);
    if (!runtime.isEmpty())
        std::fprintf(stderr,
                     "verbolin: XDG_RUNTIME_DIR (%s) is not a folder of this user closed to others; "
                     "not used.\n",
                     runtime.constData());
    const QString base = QDir(QDir::tempPath()).filePath(QStringLiteral("verbolin-%1").arg(::geteuid()));
    for (int attempt = 0; attempt < 10; ++attempt) {
        const QString folder = attempt == 0 ? base : QStringLiteral("%1-%2").arg(base).arg(attempt);
        if (takeFolder(QFile::encodeName(folder)))
            return folder;
        std::fprintf(stderr,
                     "verbolin: %s cannot be made, or is not a folder of this user closed to others (another "
                     "user's, a link, open to others); passed over.\n",
                     qPrintable(folder));
    }
    return QString();
}

} // namespace

QString privateRuntimeFolder() {
    // Looked for once: the lock and the socket must be in the same place, and each folder
    // passed over is told once.
    static const QString folder = findPrivateRuntimeFolder();
    return folder;
}
