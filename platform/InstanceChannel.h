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

// Asks the running instance to show itself; true once it answered.
bool askRunningInstanceToShow(const QString &name, const QDeadlineTimer &deadline);
