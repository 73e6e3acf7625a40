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

// Hands a request line to the running instance; true once it answered.
bool handOverToRunningInstance(const QString &name, const QByteArray &request,
                               const QDeadlineTimer &deadline);
