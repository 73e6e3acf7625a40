#pragma once

#include <QHash>
#include <QKeyCombination>
#include <QKeySequence>
#include <QList>
#include <QMap>
#include <QString>

class GlobalHotkey;

// Which GlobalHotkey holds which combination, named by its portable text ("Ctrl+Shift+V"),
// for a backend whose desktop service registers each combination once: owners of the same
// combination share that registration, which lasts while one of them holds it.
class HotkeyOwners {
public:
    static QString nameOf(QKeyCombination combination) {
        return QKeySequence(combination).toString(QKeySequence::PortableText);
    }
    bool holds(const QString &name) const { return m_combinations.contains(name); }
    // Adds the owner; true when it is the combination's first (the service must be asked).
    bool add(GlobalHotkey *owner, const QString &name, QKeyCombination combination) {
        m_names.insert(owner, name);
        const bool first = !m_combinations.contains(name);
        m_combinations.insert(name, combination);
        return first;
    }
    // Removes the owner; the name it held when it was the combination's last owner, else
    // empty (nothing to let go).
    QString remove(GlobalHotkey *owner) {
        const auto it = m_names.constFind(owner);
        if (it == m_names.cend())
            return {};
        const QString name = it.value();
        m_names.erase(it);
        for (const QString &other : std::as_const(m_names))
            if (other == name)
                return {};
        m_combinations.remove(name);
        return name;
    }
    QList<GlobalHotkey *> ownersOf(const QString &name) const { return m_names.keys(name); }
    // Every combination held, by name, in the names' order.
    const QMap<QString, QKeyCombination> &combinations() const { return m_combinations; }

private:
    QHash<GlobalHotkey *, QString> m_names;
    QMap<QString, QKeyCombination> m_combinations;
};
