#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QVariantMap>

#include <functional>

// One call of a portal method that answers through a Request object: the caller names the
// request with a handle token, the portal replies with the request's path at once and later
// emits Response(response, results) there (0 granted, 1 cancelled by the user, 2 ended
// otherwise). The answer is listened for before the call is sent, so a quick portal cannot
// answer unheard. A call the portal rejects outright ends as response 2 with the error in
// results["error"]. The object deletes itself after the answer.
class PortalRequest : public QObject {
    Q_OBJECT
public:
    enum Response : uint { Granted = 0, Cancelled = 1, Ended = 2 };
    using Done = std::function<void(uint response, const QVariantMap &results)>;

    // `call` is the method call; its options (an a{sv}) are passed separately as
    // `options`, which receive the handle token and are appended as the last argument.
    static void send(const QDBusConnection &bus, QDBusMessage call, QVariantMap options, QObject *context,
                     Done done);

    // A fresh token that is a valid object path element.
    static QString newToken();

private:
    PortalRequest(const QDBusConnection &bus, QObject *context, Done done);
    void listenAt(const QString &path);
    void finish(uint response, const QVariantMap &results);

private slots:
    void onResponse(uint response, const QVariantMap &results);

private:
    QDBusConnection m_bus;
    QString m_path;
    Done m_done;
    bool m_finished = false;
};
