#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVariantMap>

// Global shortcuts through the desktop portal's GlobalShortcuts interface (GNOME 48 and
// later, KDE Plasma 6, Hyprland).
//
// What the desktop grants, and when: setShortcuts() opens a session and binds the set; the
// desktop may show a dialog where the user accepts, changes or refuses the keys (GNOME, and
// Plasma from 6.4), or take the preferred keys as they are. The keys finally used are the
// desktop's choice: bound() tells them as the desktop describes them. A changed set is bound
// again in a fresh session, which may show the dialog again. While the session lives, a
// press of a bound key emits activated() with the shortcut's id.
class PortalGlobalShortcuts : public QObject {
    Q_OBJECT
public:
    struct Shortcut {
        QString id;               // ours, stable across runs (the desktop stores keys by it)
        QString description;      // shown to the user by the desktop
        QString preferredTrigger; // in the portal's trigger syntax (triggerFor()); may be empty
        bool operator==(const Shortcut &other) const {
            return id == other.id && description == other.description &&
                   preferredTrigger == other.preferredTrigger;
        }
    };

    explicit PortalGlobalShortcuts(const QDBusConnection &bus = QDBusConnection::sessionBus(),
                                   QObject *parent = nullptr);
    ~PortalGlobalShortcuts() override;

    // Binds the set; a set equal to the one bound or being bound is left alone. An empty set
    // closes the session.
    void setShortcuts(const QList<Shortcut> &shortcuts);
    QList<Shortcut> shortcuts() const { return m_wanted; }
    bool isBound() const { return m_bound; }

    // A Qt key combination in the trigger syntax: modifiers CTRL, ALT, SHIFT, LOGO, then the key's keysym
    // name, joined with '+', e.g. "CTRL+SHIFT+v". Empty for a key that has no such name.
    static QString triggerFor(QKeyCombination combination);

signals:
    // The set is bound; the desktop's description of each shortcut's keys, by id.
    void bound(const QMap<QString, QString> &triggerDescriptions);
    void refused(const QString &reason);
    // No GlobalShortcuts portal on this bus.
    void unavailable(const QString &reason);
    void activated(const QString &id);

private:
    void bind();
    void createSessionAndBind(quint64 attempt);
    void bindShortcuts(quint64 attempt);
    void closeSession();

private slots:
    void onActivated(const QDBusObjectPath &session, const QString &id, qulonglong timestamp,
                     const QVariantMap &options);

private:
    QDBusConnection m_bus;
    QList<Shortcut> m_wanted;
    QString m_session;
    uint m_version = 0;
    bool m_bound = false;
    bool m_binding = false;
    quint64 m_attempt = 0;
};
