#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QDeadlineTimer;

// The channel between launches of the program: the running instance listens on it,
// reachable by its user only; a later launch hands it its command-line arguments and
// waits for its answer.
namespace instancechannel {
// A launch without arguments sends exactly this line, as every version did.
inline const QByteArray showRequest = QByteArrayLiteral("verbolin:show\n");
inline const QByteArray shownAnswer = QByteArrayLiteral("verbolin:shown\n");
// The longest request line taken; a longer one is no request.
constexpr qsizetype maxRequestSize = 64 * 1024;

// The request line for a later launch's arguments (without the program's name): the show
// request, each argument following it after a blank, percent-encoded as UTF-8.
QByteArray requestFor(const QStringList &arguments);
// The arguments a whole request line (its line feed included) carries; false for anything
// else.
bool argumentsOf(const QByteArray &request, QStringList *arguments);
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
    // Emitted once the later launch has its answer, with that launch's arguments.
    void launchRequested(const QStringList &arguments);

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

// Hands a request line to the running instance; true once it answered.
bool handOverToRunningInstance(const QString &name, const QByteArray &request,
                               const QDeadlineTimer &deadline);
