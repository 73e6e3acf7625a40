#pragma once

#include <QDBusConnection>
#include <QMap>
#include <QObject>
#include <QString>

// Global shortcuts through KDE Plasma's global accelerator daemon on the session bus.
//
// What the desktop grants, and when: everything, at once, with no dialog. A combination is
// registered as an action of our component and the daemon takes the key from then on (the
// focused program no longer sees it), until it is unregistered. Registrations change at run
// time like key grabs. A combination another program already holds is refused:
// registered() says so. The user sees our actions in the desktop's shortcut settings while
// they are registered.
class KdeGlobalAccel : public QObject {
    Q_OBJECT
public:
    // `componentUnique` names our component to the daemon (e.g. the program's name);
    // `componentFriendly` is what the desktop's settings show for it.
    KdeGlobalAccel(const QString &componentUnique, const QString &componentFriendly,
                   const QDBusConnection &bus = QDBusConnection::sessionBus(), QObject *parent = nullptr);
    // Unregisters every combination still registered.
    ~KdeGlobalAccel() override;

    // Registers the key combination under the name `combination` (its portable text, e.g. "Ctrl+Shift+V"),
    // which the signals carry. `friendlyName` is shown in the desktop's settings (the name if empty).
    // Registering a name again replaces its keys. Ends in registered().
    void registerCombination(const QString &combination, QKeyCombination keys,
                             const QString &friendlyName = {});
    // The same, waiting up to timeoutMs for the daemon's answer without running the event
    // loop. For callers that must know at once (key grabs are synchronous); the daemon
    // answers in a moment. No registered() signal. Anything but Granted leaves nothing
    // registered.
    enum class Answer { Granted, Refused, NoAnswer };
    Answer registerCombinationNow(const QString &combination, QKeyCombination keys,
                                  const QString &friendlyName, int timeoutMs);
    void unregisterCombination(const QString &combination);
    // The same, once the daemon has done it (at most timeoutMs); false when it did not answer.
    bool unregisterCombinationNow(const QString &combination, int timeoutMs);
    // Names registered or being registered.
    QStringList combinations() const { return m_keys.keys(); }

signals:
    void registered(const QString &combination, bool ok);
    void activated(const QString &combination);

private:
    QStringList actionId(const QString &combination, const QString &friendlyName) const;
    void setKeys(const QString &combination, const QStringList &action, int qtKeyCombination, bool oldMethod);
    QDBusMessage setKeysCall(const QStringList &action, int qtKeyCombination, bool oldMethod) const;
    // Whether the daemon's answer to setKeysCall gave us the keys.
    static bool granted(const QDBusMessage &reply, int qtKeyCombination, bool oldMethod);
    void listenToComponent();

private slots:
    void onPressed(const QString &component, const QString &action, qlonglong timestamp);

private:
    QDBusConnection m_bus;
    QString m_component;
    QString m_componentFriendly;
    QMap<QString, int> m_keys; // combination name -> Qt key code
    QString m_componentPath;
    bool m_listening = false;
};
