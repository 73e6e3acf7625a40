#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class QDeadlineTimer;

// The channel between launches of the program: the running instance listens on it,
// reachable by its user only; a later launch asks it to show itself and waits for its
// answer.
namespace instancechannel {
inline const QByteArray showRequest = QByteArrayLiteral("verbolin:show\n");
inline const QByteArray shownAnswer = QByteArrayLiteral("verbolin:shown\n");
} // namespace instancechannel

class InstanceListener : public QObject {
    Q_OBJECT
public:
    explicit InstanceListener(QObject *parent = nullptr);
    ~InstanceListener() override;

    // A channel left by an instance that crashed is taken over.
    bool listen(const QString &name);
    QString errorString() const;

signals:
    // Emitted once the later launch has its answer.
    void showRequested();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// The folder of the lock and the channel, which no other user may write to. On Linux:
// $XDG_RUNTIME_DIR when it is the user's own and closed to others; otherwise a folder of
// the user's in the temporary folder, "verbolin-<uid>", made with mode 0700. One there
// already that belongs to another user, is a link, or is open to others is passed over for
// the next name ("verbolin-<uid>-1" ... "-9"), so that another user can neither plant a
// lock nor answer for the program. Empty when no such folder can be had. On Windows: the
// user's temporary folder (the pipe's name carries the user).
QString privateRuntimeFolder();

// Asks the running instance to show itself; true once it answered.
bool askRunningInstanceToShow(const QString &name, const QDeadlineTimer &deadline);
